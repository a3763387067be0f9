#include "ui/nntp/ServerTestWC.h"

#include "controls/Artwork.h"
#include "nntp/ServerTestPresenter.h"
#include "platform/Dispatch.h"
#include "platform/NotificationHub.h"
#include "ui/core/WindowPlacement.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>

namespace {
constexpr int kWidth = 480;
constexpr int kHeight = 230;
constexpr int kMargin = 20;
constexpr int kTextLeft = kMargin + ServerTestWC::kIconSize + 14;
} // namespace

ServerTestWC::ServerTestWC(QWidget* parent) : QDialog(parent), presenter_(new ServerTestPresenter(this))
{
    setObjectName(QStringLiteral("ServerTestWC"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFixedSize(kWidth, kHeight);

    titleBarTextField_ = new QLabel(this);
    titleBarTextField_->setObjectName(QStringLiteral("titleBarTextField"));
    titleBarTextField_->setTextFormat(Qt::PlainText);
    QFont bold = titleBarTextField_->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.15);
    titleBarTextField_->setFont(bold);
    titleBarTextField_->setGeometry(kMargin, 14, kWidth - 2 * kMargin, 22);

    buildSide(0, 52);
    buildSide(1, 112);

    actionButton_ = new QPushButton(this);
    actionButton_->setObjectName(QStringLiteral("actionButton"));
    actionButton_->setAutoDefault(false);
    actionButton_->setGeometry(kWidth - 10 - 91, kHeight - 13 - 32, 91, 32);
    connect(actionButton_, &QPushButton::clicked, this, [this] { actionButtonClicked(); });

    connect(presenter_, &ServerTestPresenter::changed, this, [this] { render(); });
    connect(presenter_, &ServerTestPresenter::closeRequested, this, [this] { done(0); });
    render();
}

ServerTestWC::~ServerTestWC()
{
    NotificationHub::defaultCenter().removeObserver(this);
}

void ServerTestWC::buildSide(int index, int top)
{
    const QString prefix = index == 0 ? QStringLiteral("download") : QStringLiteral("upload");
    SideWidgets& s = side_[index];

    s.image = new QLabel(this);
    s.image->setObjectName(prefix + QStringLiteral("ResultImageView"));
    s.image->setGeometry(kMargin, top + 4, kIconSize, kIconSize);

    // A busy indicator where the result icon will be.
    s.indicator = new QProgressBar(this);
    s.indicator->setObjectName(prefix + QStringLiteral("ProgressIndicator"));
    s.indicator->setGeometry(kMargin, top + 14, kIconSize, 12);
    s.indicator->setTextVisible(false);
    s.indicator->setRange(0, 0);
    s.indicator->hide();

    s.title = new QLabel(this);
    s.title->setObjectName(prefix + QStringLiteral("TitleTextField"));
    s.title->setTextFormat(Qt::PlainText);
    QFont bold = s.title->font();
    bold.setBold(true);
    s.title->setFont(bold);
    s.title->setGeometry(kTextLeft, top, kWidth - kTextLeft - kMargin, 20);

    s.lastResponse = new QLabel(this);
    s.lastResponse->setObjectName(prefix + QStringLiteral("LastResponseTextField"));
    s.lastResponse->setTextFormat(Qt::PlainText);
    s.lastResponse->setTextInteractionFlags(Qt::TextSelectableByMouse);
    s.lastResponse->setGeometry(kTextLeft, top + 22, kWidth - kTextLeft - kMargin, 20);
}

void ServerTestWC::setNntpserver(const NNTPServerObjectPtr& server)
{
    presenter_->setNntpserver(server);
}

void ServerTestWC::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!loaded_) {
        loaded_ = true;
        windowDidLoad();
    }
}

void ServerTestWC::windowDidLoad()
{
    QPointer<ServerTestWC> self(this);
    NotificationHub::defaultCenter().addObserver(QStringLiteral("ApplicationWillTerminate"), this,
                                                 [self](const Notification&) {
                                                     Dispatch::onMain([self] {
                                                         if (!self) return;
                                                         self->presenter_->closeWindowForTermination(
                                                             kTerminationWaitMs);
                                                         if (self->isVisible()) self->done(0);
                                                     });
                                                 });
    WindowPlacement::centerWindow(this, kWindowDistance);
    raise();
    activateWindow();
    presenter_->windowDidLoad();
}

void ServerTestWC::render()
{
    setWindowTitle(presenter_->titleBarText());
    titleBarTextField_->setText(presenter_->titleBarText());
    actionButton_->setText(presenter_->actionButtonTitle());
    const ServerTestPresenter::Side* states[2] = {&presenter_->download(), &presenter_->upload()};
    for (int i = 0; i < 2; ++i) {
        const ServerTestPresenter::Side& state = *states[i];
        SideWidgets& s = side_[i];
        s.title->setText(state.title);
        s.lastResponse->setText(state.lastResponse);
        s.lastResponse->setToolTip(state.lastResponse);
        s.image->setPixmap(state.image.isEmpty() ? QPixmap()
                                                 : Artwork::pixmap(state.image, QSize(kIconSize, kIconSize)));
        s.image->setVisible(state.imageVisible);
        s.indicator->setVisible(state.indicatorVisible);
        s.image->setEnabled(state.enabled);
        s.title->setEnabled(state.enabled);
        s.lastResponse->setEnabled(state.enabled);
        // No test possible: the texts in light grey.
        const QString style = state.enabled ? QString() : QStringLiteral("color: #a6a6a6;");
        s.title->setStyleSheet(style);
        s.lastResponse->setStyleSheet(style);
    }
}

void ServerTestWC::actionButtonClicked()
{
    presenter_->actionButtonClicked();
}

void ServerTestWC::closeWindow()
{
    if (presenter_->windowIsClosing()) {
        if (isVisible()) done(0);
        return;
    }
    presenter_->closeWindow();
}

void ServerTestWC::closeEvent(QCloseEvent* event)
{
    closeWindow();
    event->accept();
}
