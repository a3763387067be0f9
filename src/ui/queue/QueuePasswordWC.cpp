#include "ui/queue/QueuePasswordWC.h"

#include "platform/NotificationHub.h"
#include "queue/QueueController.h"
#include "ui/core/WindowPlacement.h"
#include "ui/queue/SingleFieldSheet.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLineEdit>
#include <QMainWindow>
#include <QPointer>
#include <QPushButton>
#include <QScreen>

QueuePasswordWC::QueuePasswordWC(const QList<QueuePtr>& queueArray, QWidget* parent)
    : QDialog(parent), queueArray_(queueArray)
{
    setObjectName(QStringLiteral("QueuePasswordWC"));
    setWindowTitle(QStringLiteral("Password"));
    setModal(true);
    const SingleFieldSheet sheet = SingleFieldSheet::build(this, QStringLiteral("Archive password:"),
                                                           QStringLiteral("passwordTextField"), 300,
                                                           QStringLiteral("Set Password"));
    passwordTextField_ = sheet.field;
    cancelButton_ = sheet.cancelButton;
    submitButton_ = sheet.submitButton;
    connect(submitButton_, &QPushButton::clicked, this, &QueuePasswordWC::submitButtonClicked);
    connect(cancelButton_, &QPushButton::clicked, this, &QueuePasswordWC::cancelButtonClicked);
}

QueuePasswordWC::~QueuePasswordWC()
{
    NotificationHub::defaultCenter().removeObserver(this);
}

void QueuePasswordWC::centerWindow()
{
    // Placed over the main window only; without one, against an empty frame.
    QRect reference(0, 0, 0, 0);
    for (const QWidget* w : QApplication::topLevelWidgets())
        if (w != this && w->isVisible() && qobject_cast<const QMainWindow*>(w)) {
            reference = w->frameGeometry();
            break;
        }
    const QScreen* screen = QGuiApplication::primaryScreen();
    move(WindowPlacement::centeredOrigin(reference, frameGeometry().size(),
                                         screen ? screen->availableGeometry() : QRect(), kWindowDistance));
    update();
}

void QueuePasswordWC::windowDidLoad()
{
    QPointer<QueuePasswordWC> self(this);
    NotificationHub::defaultCenter().addObserver(QStringLiteral("ApplicationWillTerminate"), this,
                                                 [self](const Notification&) {
                                                     if (self) self->closeWindow();
                                                 });
    adjustSize();
    centerWindow();
    responseCode_ = 0;
    if (queueArray_.isEmpty() || !queueArray_.first()) {
        closeWindow();
        return;
    }
    passwordTextField_->setText(queueArray_.first()->password());
}

qint64 QueuePasswordWC::runModal()
{
    windowDidLoad();
    if (!windowIsClosing_) exec();
    return responseCode_;
}

void QueuePasswordWC::submitButtonClicked()
{
    const QString password = passwordTextField_->text();
    for (const QueuePtr& job : std::as_const(queueArray_))
        if (job) job->setPassword(password);
    passwordTextField_->clear();
    responseCode_ = 1;
    closeWindow();
}

void QueuePasswordWC::cancelButtonClicked()
{
    responseCode_ = 0;
    closeWindow();
}

void QueuePasswordWC::closeWindow()
{
    if (windowIsClosing_) return;
    windowIsClosing_ = true;
    done(int(responseCode_));
}

void QueuePasswordWC::closeEvent(QCloseEvent* event)
{
    closeWindow();
    event->accept();
}

qint64 QueuePasswordWC::showPasswordSheetForQueueArray(const QList<QueuePtr>& jobs,
                                                       QueueController* controller)
{
    if (jobs.isEmpty()) return 0;
    auto* window = new QueuePasswordWC(jobs);
    const qint64 code = window->runModal();
    if (code == 1 && controller) controller->passwordsWereUpdatedForQueueArray(jobs);
    window->hide();
    window->close();
    delete window;
    return code;
}
