#include "ui/core/LoadingSaveStateWC.h"

#include "controls/Artwork.h"
#include "controls/CoreArtwork.h"
#include "core/DialogBoxes.h"
#include "platform/Dispatch.h"
#include "platform/NotificationHub.h"
#include "ui/core/WindowPlacement.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>

namespace {
constexpr int kWidth = 360;
constexpr int kHeight = 120;
} // namespace

LoadingSaveStateWC::LoadingSaveStateWC(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("LoadingSaveStateWC"));
    setModal(true);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFixedSize(kWidth, kHeight);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("imageView"));
    icon->setGeometry(20, 20, 48, 48);
    icon->setPixmap(Artwork::pixmap(QString::fromLatin1(CoreArtwork::kApplicationIcon), QSize(48, 48)));

    auto* text = new QLabel(QStringLiteral("Loading saved queue…"), this);
    text->setObjectName(QStringLiteral("textField"));
    text->setTextFormat(Qt::PlainText);
    text->setGeometry(84, 20, kWidth - 104, 20);

    progressIndicator_ = new QProgressBar(this);
    progressIndicator_->setObjectName(QStringLiteral("progressIndicator"));
    progressIndicator_->setGeometry(84, 46, kWidth - 104, 16);
    progressIndicator_->setTextVisible(false);
    progressIndicator_->hide();

    cancelButton_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton_->setObjectName(QStringLiteral("cancelButton"));
    cancelButton_->setAutoDefault(false);
    cancelButton_->setGeometry(kWidth - 10 - 91, kHeight - 13 - 32, 91, 32);
    connect(cancelButton_, &QPushButton::clicked, this, [this] { cancelButtonClicked(); });

    windowDidLoad();
}

LoadingSaveStateWC::~LoadingSaveStateWC()
{
    NotificationHub::defaultCenter().removeObserver(this);
}

void LoadingSaveStateWC::windowDidLoad()
{
    QPointer<LoadingSaveStateWC> self(this);
    NotificationHub::defaultCenter().addObserver(QStringLiteral("ApplicationWillTerminate"), this,
                                                 [self](const Notification&) {
                                                     if (!self) return;
                                                     if (Dispatch::isMainThread())
                                                         self->closeWindow();
                                                     else
                                                         Dispatch::onThreadOf(self, [self] {
                                                             if (self) self->closeWindow();
                                                         });
                                                 });
    WindowPlacement::centerWindow(this, WindowPlacement::kLoadingWindowDistance);
    responseCode_ = 1;
    // A busy indicator: a range of 0 to 0 animates without a value.
    progressIndicator_->show();
    progressIndicator_->setRange(0, 0);
}

long LoadingSaveStateWC::runModal(const std::function<void()>& cancelLoading)
{
    QPointer<LoadingSaveStateWC> self(this);
    const long code = windowIsClosing_ ? responseCode_ : exec();
    // The owner may drop the window while it runs; then nothing here is ours.
    if (code == 0 && self && cancelLoading) cancelLoading();
    return code;
}

void LoadingSaveStateWC::cancelButtonClicked()
{
    QPointer<LoadingSaveStateWC> self(this);
    const bool yes = DialogBoxes::alertBoxYesNo(
        QStringLiteral("Cancel loading the SaveState"),
        QStringLiteral(
            "If you cancel then your previously saved queue entries will be lost. Are you sure you want "
            "this? "),
        false, true);
    // The restore may have finished, and the window been closed and dropped,
    // while the question was open: then the answer no longer matters.
    if (!self || self->windowIsClosing_ || !yes) return;
    responseCode_ = 0;
    closeWindow();
}

void LoadingSaveStateWC::closeWindow()
{
    if (windowIsClosing_) return;
    windowIsClosing_ = true;
    done(int(responseCode_));
}

void LoadingSaveStateWC::closeEvent(QCloseEvent* event)
{
    closeWindow();
    event->accept();
}
