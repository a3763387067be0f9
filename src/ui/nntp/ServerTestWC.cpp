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
// The room the certificate problem takes when there is one.
constexpr int kCertificateHeight = 140;
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

    certificateTextField_ = new QLabel(this);
    certificateTextField_->setObjectName(QStringLiteral("certificateTextField"));
    certificateTextField_->setTextFormat(Qt::PlainText);
    certificateTextField_->setWordWrap(true);
    certificateTextField_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    certificateTextField_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    certificateTextField_->setGeometry(kMargin, kHeight - 58, kWidth - 2 * kMargin, kCertificateHeight - 10);
    certificateTextField_->hide();
    trustCertificateButton_ = new QPushButton(QStringLiteral("Trust This Certificate"), this);
    trustCertificateButton_->setObjectName(QStringLiteral("trustCertificateButton"));
    trustCertificateButton_->setAutoDefault(false);
    trustCertificateButton_->setToolTip(
        QStringLiteral("Use this server with exactly this certificate from now on"));
    trustCertificateButton_->hide();
    connect(trustCertificateButton_, &QPushButton::clicked, this,
            [this] { presenter_->trustCertificateAndRetest(); });

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
        // One line: a longer response ends in an ellipsis, the whole of it
        // in the tool tip.
        s.lastResponse->setText(s.lastResponse->fontMetrics().elidedText(state.lastResponse, Qt::ElideRight,
                                                                         s.lastResponse->width()));
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
    renderCertificateProblem();
}

void ServerTestWC::renderCertificateProblem()
{
    // Offered only once the tests are over: a certificate is trusted on
    // what the user has read, never while a test is still running.
    const bool problem = !presenter_->untrustedCertificate().isNull() && presenter_->socketIsDisconnected() &&
                         !presenter_->windowIsClosing();
    const int height = problem ? kHeight + kCertificateHeight : kHeight;
    if (this->height() != height) setFixedSize(kWidth, height);
    certificateTextField_->setVisible(problem);
    trustCertificateButton_->setVisible(problem);
    const int buttonTop = height - 13 - 32;
    actionButton_->move(kWidth - 10 - 91, buttonTop);
    if (!problem) return;
    const QString fingerprint = presenter_->certificateFingerprint();
    // The fingerprint in two lines of sixteen byte pairs.
    constexpr int kPairsPerLine = 16;
    constexpr int kSplit = kPairsPerLine * 3; // "AB:" per byte
    certificateTextField_->setText(
        QStringLiteral("The server's certificate could not be verified: %1\n\nSHA-256 fingerprint:\n%2\n%3")
            .arg(presenter_->certificateProblem(), fingerprint.left(kSplit - 1), fingerprint.mid(kSplit)));
    certificateTextField_->setGeometry(kMargin, kHeight - 50, kWidth - 2 * kMargin, kCertificateHeight - 12);
    trustCertificateButton_->adjustSize();
    trustCertificateButton_->setGeometry(kWidth - 10 - 91 - 8 - trustCertificateButton_->width(), buttonTop,
                                         trustCertificateButton_->width(), 32);
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
