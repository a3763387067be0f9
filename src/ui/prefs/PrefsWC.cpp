#include "ui/prefs/PrefsWC.h"

#include "nntp/NNTPServersController.h"
#include "platform/Dispatch.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "ui/core/WindowPlacement.h"
#include "ui/prefs/PrefsPages.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLayout>
#include <QPropertyAnimation>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

namespace {
const QString kLastUsedPrefView = QStringLiteral("lastUsedPrefView");
const QString kLastUsedPrefsDownloadView = QStringLiteral("lastUsedPrefsDownloadView");
} // namespace

PrefsWC::PrefsWC(const PrefsContext& context, std::optional<int> forcedVCTag, QWidget* parent)
    : QDialog(parent), context_(context), forcedVCTag_(forcedVCTag)
{
    setObjectName(QStringLiteral("PrefsWC"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    // The page buttons on a dark strip, with the page's title under them.
    auto* toolbar = new QWidget(this);
    toolbar->setObjectName(QStringLiteral("prefsToolbar"));
    toolbar->setFixedHeight(kToolbarHeight);
    toolbar->setAttribute(Qt::WA_StyledBackground, true);
    toolbar->setStyleSheet(QStringLiteral(
        "#prefsToolbar { background: #3b3f45; }"
        "QToolButton { color: white; background: transparent; border: none; border-radius: 4px;"
        "  padding: 4px 10px; font-weight: bold; }"
        "QToolButton:hover { background: #4b5058; }"
        "QToolButton:checked { background: #2f75bd; }"
        "QToolButton:disabled { color: #8a8f96; }"));
    auto* bar = new QHBoxLayout(toolbar);
    bar->setContentsMargins(10, 8, 10, 8);
    bar->setSpacing(4);
    for (const PrefsPages::Entry& entry : PrefsPages::entries()) {
        auto* button = new QToolButton(toolbar);
        const QString title = QString::fromLatin1(entry.title);
        button->setObjectName(QStringLiteral("tbButton") + title);
        button->setText(title);
        button->setCheckable(true);
        button->setAutoExclusive(false);
        button->setFocusPolicy(Qt::StrongFocus);
        // A page that is not built yet has no button to press.
        button->setEnabled(entry.maker != nullptr);
        const int tag = entry.number;
        connect(button, &QToolButton::clicked, this, [this, tag] { changeViewController(tag); });
        bar->addWidget(button);
        buttons_.insert(tag, button);
    }
    bar->addStretch(1);
    layout->addWidget(toolbar);

    topContainer_ = new QWidget(this);
    topContainer_->setObjectName(QStringLiteral("topContainer"));
    auto* content = new QVBoxLayout(topContainer_);
    content->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(topContainer_, 1);
}

PrefsWC::~PrefsWC()
{
    NotificationHub::defaultCenter().removeObserver(this);
}

void PrefsWC::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!loaded_) {
        loaded_ = true;
        windowDidLoad();
    }
}

void PrefsWC::windowDidLoad()
{
    // At the program's end the server list is saved before the closing
    // phases go on: at once on the main thread, where the end is posted.
    QPointer<PrefsWC> self(this);
    NotificationHub::defaultCenter().addObserver(QStringLiteral("ApplicationWillTerminate"), this,
                                                 [self](const Notification&) {
                                                     const auto closeIt = [self] {
                                                         if (self) self->close();
                                                     };
                                                     if (Dispatch::isMainThread())
                                                         closeIt();
                                                     else
                                                         Dispatch::onMain(closeIt);
                                                 });
    makeCopyOfCurrentServerSettings();
    changeViewController(forcedVCTag_ ? *forcedVCTag_ : int(loadcurrentVCTag()));
    // A remembered or asked page that cannot be shown (a number of no page,
    // a page not built) would leave an empty window: the servers instead.
    if (!topVC_) changeViewController(PrefsPages::kNewsServers);
    WindowPlacement::centerWindow(this, kWindowDistance);
    raise();
    activateWindow();
}

void PrefsWC::makeCopyOfCurrentServerSettings()
{
    oldNNTPServerSettingsArray_.clear();
    if (!context_.nntpServersController) return;
    for (const NNTPServerObjectPtr& server : context_.nntpServersController->arrayNNTPServers())
        oldNNTPServerSettingsArray_.append(server->copy());
}

void PrefsWC::changeViewController(int tag)
{
    if (tag == 0) tag = PrefsPages::kNewsServers;
    if (tag == PrefsPages::kDownloadAdvanced) {
        UserDefaults::standard().setInteger(PrefsPages::kDownloadAdvancedSubPage, kLastUsedPrefsDownloadView);
        tag = PrefsPages::kDownload;
    }
    updateToolbarButtonImage(tag);
    if (tag == currentVCTag_) return;
    QWidget* previous = topVC_;
    const PrefsPages::Entry* entry = PrefsPages::entryFor(tag);
    if (entry && entry->maker) {
        QWidget* view = pages_.value(tag);
        if (!view) {
            view = entry->maker(context_, topContainer_);
            view->hide();
            pages_.insert(tag, view);
        }
        topVC_ = view;
        setContentView(view, previous);
    }
    currentVCTag_ = tag;
}

void PrefsWC::updateToolbarButtonImage(int tag)
{
    for (QToolButton* button : std::as_const(buttons_))
        button->setChecked(false);
    const PrefsPages::Entry* entry = PrefsPages::entryFor(tag);
    if (!entry) return;
    buttons_.value(tag)->setChecked(true);
    // The page's title is the window's title.
    setWindowTitle(QString::fromLatin1(entry->title));
}

QRect PrefsWC::newFrameForContent(const QRect& current, const QSize& contentSize)
{
    const int width = contentSize.width();
    const int height = contentSize.height() + kToolbarHeight;
    const int x = current.x() - int(std::ceil((width - current.width()) * 0.5));
    return QRect(x, current.y(), width, height);
}

void PrefsWC::setContentView(QWidget* view, QWidget* previous)
{
    QLayout* area = topContainer_->layout();
    if (previous) {
        area->removeWidget(previous);
        previous->hide();
    }
    area->addWidget(view);
    view->show();

    // The page at its preferred size, within what the window's layout
    // accepts with this page in it (the row of page buttons, the page's own
    // minimum): an end frame the layout would enlarge again is never aimed at.
    const QSize wanted(view->sizeHint().width(), view->sizeHint().height() + kToolbarHeight);
    const QSize acceptable = QLayout::closestAcceptableSize(this, wanted);
    const QRect target =
        newFrameForContent(geometry(), QSize(acceptable.width(), acceptable.height() - kToolbarHeight));

    if (!previous) {
        resize(target.size());
        return;
    }
    if (animation_) animation_->stop();
    animation_ = new QPropertyAnimation(this, "geometry", this);
    animation_->setDuration(kAnimationMs);
    animation_->setStartValue(geometry());
    animation_->setEndValue(target);
    animation_->start(QAbstractAnimation::DeleteWhenStopped);
}

QPropertyAnimation* PrefsWC::frameAnimation() const
{
    return animation_;
}

qint64 PrefsWC::loadcurrentVCTag()
{
    return UserDefaults::standard().integerForKey(kLastUsedPrefView);
}

void PrefsWC::savecurrentVCTag() const
{
    UserDefaults::standard().setInteger(currentVCTag_, kLastUsedPrefView);
    UserDefaults::standard().synchronize();
}

void PrefsWC::closeWindow()
{
    if (windowIsClosing_) return;
    windowIsClosing_ = true;
    if (NNTPServersController* servers = context_.nntpServersController) {
        servers->compareNNTPChangesWithArray(oldNNTPServerSettingsArray_);
        if (servers->shouldSaveNNTPServers()) servers->saveNNTPServers();
    }
    savecurrentVCTag();
    oldNNTPServerSettingsArray_.clear();
}

void PrefsWC::done(int result)
{
    closeWindow();
    QDialog::done(result);
}

void PrefsWC::closeEvent(QCloseEvent* event)
{
    closeWindow();
    QDialog::closeEvent(event);
}
