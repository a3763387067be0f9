#include "ui/core/HelpWC.h"

#include "controls/CoreArtwork.h"
#include "core/DialogBoxes.h"
#include "core/Logger.h"
#include "core/StringFormat.h"
#include "platform/Dispatch.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "ui/core/WebViewHelp.h"
#include "ui/core/WindowPlacement.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace {
constexpr int kWidth = 900;
constexpr int kHeight = 680;
} // namespace

HelpWC::HelpWC(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("HelpWC"));
    setWindowTitle(QStringLiteral("Binorama Help"));
    resize(kWidth, kHeight);

    webView_ = new WebViewHelp(this);
    webView_->setObjectName(QStringLiteral("webView"));
    webView_->setLinkPolicy(WebView::LinkPolicy::NavigateInView);

    spinner_ = new QProgressBar(this);
    spinner_->setObjectName(QStringLiteral("spinner"));
    spinner_->setTextVisible(false);
    spinner_->setFixedSize(80, 12);
    spinner_->setRange(0, 1);
    spinner_->hide();

    searchView_ = new QWidget(this);
    searchView_->setObjectName(QStringLiteral("searchView"));
    searchField_ = new QLineEdit(searchView_);
    searchField_->setObjectName(QStringLiteral("searchField"));
    searchField_->setPlaceholderText(QStringLiteral("Find"));
    searchField_->setClearButtonEnabled(true);
    btnSearchPrevious_ = new QPushButton(QStringLiteral("Previous"), searchView_);
    btnSearchPrevious_->setObjectName(QStringLiteral("btnSearchPrevious"));
    btnSearchNext_ = new QPushButton(QStringLiteral("Next"), searchView_);
    btnSearchNext_->setObjectName(QStringLiteral("btnSearchNext"));
    btnCancelSearch_ = new QPushButton(QStringLiteral("Done"), searchView_);
    btnCancelSearch_->setObjectName(QStringLiteral("btnCancelSearch"));
    for (QPushButton* b : {btnSearchPrevious_, btnSearchNext_, btnCancelSearch_})
        b->setAutoDefault(false);
    auto* searchLayout = new QHBoxLayout(searchView_);
    searchLayout->setContentsMargins(8, 4, 8, 4);
    searchLayout->addWidget(searchField_, 1);
    searchLayout->addWidget(btnSearchPrevious_);
    searchLayout->addWidget(btnSearchNext_);
    searchLayout->addWidget(btnCancelSearch_);
    searchView_->hide();
    btnSearchPrevious_->setEnabled(false);
    btnSearchNext_->setEnabled(false);

    auto* statusRow = new QHBoxLayout;
    statusRow->setContentsMargins(8, 4, 8, 4);
    statusRow->addStretch(1);
    statusRow->addWidget(spinner_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(searchView_);
    layout->addWidget(webView_, 1);
    layout->addLayout(statusRow);

    connect(btnSearchPrevious_, &QPushButton::clicked, this, [this] { btnSearchPreviousClicked(); });
    connect(btnSearchNext_, &QPushButton::clicked, this, [this] { btnSearchNextClicked(); });
    connect(btnCancelSearch_, &QPushButton::clicked, this, [this] { btnCancelSearchClicked(); });
    connect(searchField_, &QLineEdit::textChanged, this, &HelpWC::searchFieldTextChanged);
    connect(searchField_, &QLineEdit::returnPressed, this, [this] { searchForward(true); });
    connect(webView_, &WebView::didStartProvisionalLoad, this, &HelpWC::startSpinner);
    connect(webView_, &WebView::didFinishLoad, this, &HelpWC::stopSpinner);
    connect(webView_, &WebView::didFailLoad, this, &HelpWC::didFailLoad);
    auto* find = new QShortcut(QKeySequence::Find, this);
    find->setContext(Qt::WindowShortcut);
    connect(find, &QShortcut::activated, this, &HelpWC::showSearchView);
}

HelpWC::~HelpWC()
{
    removeAllObservers();
}

QString HelpWC::pageNameForTopic(qint64 topic)
{
    switch (topic) {
    case 1:
        return QStringLiteral("deeplookup");
    case 2:
        return QStringLiteral("queue");
    case 3:
        return QStringLiteral("watchdog");
    case 4:
        return QStringLiteral("posting");
    case 5:
        return QStringLiteral("preferences");
    default:
        return QString();
    }
}

QUrl HelpWC::helpPageUrl(qint64 topic)
{
    const QUrl root(UserDefaults::standard().stringForKey(QStringLiteral("htmlLinkDocumentRootFolder")));
    return root.resolved(QUrl(sformat(u"appdocs_%@.html#", pageNameForTopic(topic))));
}

void HelpWC::setTopic(qint64 topic)
{
    topic_ = topic;
    if (!observersRunning_) return;
    QPointer<HelpWC> self(this);
    Dispatch::onThreadOf(this, [self] {
        if (self) self->topicChanged();
    });
}

void HelpWC::showWindow()
{
    windowIsClosing_ = false;
    const bool first = !loaded_;
    loaded_ = true;
    show();
    // Placed once shown: only then are the window's frame and the size its
    // layout gives it known.
    if (first) WindowPlacement::centerWindow(this, WindowPlacement::kHelpWindowDistance);
    raise();
    activateWindow();
    if (first) windowDidLoad();
}

void HelpWC::windowDidLoad()
{
    QPointer<HelpWC> self(this);
    NotificationHub::defaultCenter().addObserver(QStringLiteral("ApplicationWillTerminate"), this,
                                                 [self](const Notification&) {
                                                     if (!self) return;
                                                     auto close = [self] {
                                                         if (self && !self->windowIsClosing_)
                                                             self->closeWindow();
                                                     };
                                                     if (Dispatch::isMainThread())
                                                         close();
                                                     else
                                                         Dispatch::onThreadOf(self, close);
                                                 });
    loadWebPage(topic_);
    startAllObservers();
}

void HelpWC::loadWebPage(qint64 topic)
{
    webView_->loadRequest(helpPageUrl(topic));
}

void HelpWC::topicChanged()
{
    loadWebPage(topic_);
}

void HelpWC::startSpinner()
{
    // A range of 0 to 0 animates without a value.
    spinner_->setRange(0, 0);
    spinner_->show();
}

void HelpWC::stopSpinner()
{
    spinner_->setRange(0, 1);
    spinner_->hide();
}

void HelpWC::startAllObservers()
{
    observersRunning_ = true;
}

void HelpWC::removeAllObservers()
{
    NotificationHub::defaultCenter().removeObserver(this);
    observersRunning_ = false;
}

void HelpWC::didFailLoad(const QUrl& url, const QString& errorDescription)
{
    Logger::shared()->writeToConsole(
        sformat(u"%s Page load error : %@\n", "-[HelpWC didFailLoad]", errorDescription));
    stopSpinner();
    const QString title = QStringLiteral("Unable to load help page !");
    // The window stays open behind the message and after it: it says what
    // went wrong, not an empty page or the page of another topic.
    webView_->setHtml(QStringLiteral("<h2>%1</h2><p>%2</p><p>%3</p>")
                          .arg(title.toHtmlEscaped(), errorDescription.toHtmlEscaped(),
                               url.toDisplayString().toHtmlEscaped()));
    DialogBoxes::alertBoxDefaultWithInfoLink(
        title, errorDescription,
        UserDefaults::standard().stringForKey(QStringLiteral("htmlLinkContactus")),
        QStringLiteral("Contact us"), QString::fromLatin1(CoreArtwork::kCaution));
}

bool HelpWC::searchForward(bool forward)
{
    const QString text = searchField_->text();
    if (text.isEmpty()) return false;
    const bool found =
        webView_->find(text, forward ? QTextDocument::FindFlags() : QTextDocument::FindBackward);
    focusOnSearchField();
    return found;
}

void HelpWC::showSearchView()
{
    if (searchView_->isHidden()) searchView_->show();
    focusOnSearchField();
}

void HelpWC::hideSearchView()
{
    searchField_->clear();
    searchView_->hide();
}

void HelpWC::searchFieldTextChanged(const QString& text)
{
    if (text.isEmpty())
        disableSearchButtons();
    else
        enableSearchButtons();
}

void HelpWC::enableSearchButtons()
{
    if (btnSearchPrevious_->isEnabled()) return;
    btnSearchPrevious_->setEnabled(true);
    btnSearchNext_->setEnabled(true);
}

void HelpWC::disableSearchButtons()
{
    if (!btnSearchPrevious_->isEnabled()) return;
    btnSearchPrevious_->setEnabled(false);
    btnSearchNext_->setEnabled(false);
}

void HelpWC::focusOnSearchField()
{
    searchField_->setFocus(Qt::OtherFocusReason);
}

void HelpWC::closeWindow()
{
    windowIsClosing_ = true;
    close();
}

void HelpWC::closeEvent(QCloseEvent* event)
{
    // A close under way, whether asked for by closeWindow() or by the
    // window's own close button.
    windowIsClosing_ = true;
    Q_EMIT windowWillClose();
    event->accept();
}
