#include "ui/queue/QueuePasswordWC.h"

#include "platform/NotificationHub.h"
#include "queue/QueueController.h"
#include "ui/core/WindowPlacement.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

QueuePasswordWC::QueuePasswordWC(const QList<QueuePtr>& queueArray, QWidget* parent)
    : QDialog(parent), queueArray_(queueArray)
{
    setObjectName(QStringLiteral("QueuePasswordWC"));
    setWindowTitle(QStringLiteral("Password"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QStringLiteral("Archive password:"), this);
    passwordTextField_ = new QLineEdit(this);
    passwordTextField_->setObjectName(QStringLiteral("passwordTextField"));
    passwordTextField_->setMinimumWidth(300);
    auto* buttons = new QHBoxLayout;
    cancelButton_ = new QPushButton(QStringLiteral("Cancel"), this);
    submitButton_ = new QPushButton(QStringLiteral("Set Password"), this);
    cancelButton_->setObjectName(QStringLiteral("cancelButton"));
    submitButton_->setObjectName(QStringLiteral("submitButton"));
    submitButton_->setDefault(true);
    buttons->addStretch();
    buttons->addWidget(cancelButton_);
    buttons->addWidget(submitButton_);
    layout->addWidget(label);
    layout->addWidget(passwordTextField_);
    layout->addLayout(buttons);
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
