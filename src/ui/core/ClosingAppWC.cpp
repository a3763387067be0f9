#include "ui/core/ClosingAppWC.h"

#include "platform/NotificationHub.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

ClosingAppWC::ClosingAppWC(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ClosingAppWC"));
    setWindowTitle(QStringLiteral("Closing Binorama"));
    setModal(true);
    auto* grid = new QGridLayout(this);
    const char* labels[3] = {"Closing connections", "Writing remaining files", "Saving the queue"};
    for (int i = 0; i < 3; ++i) {
        grid->addWidget(new QLabel(QString::fromLatin1(labels[i]), this), i, 0);
        status_[i] = new QLabel(this);
        status_[i]->setMinimumWidth(90);
        grid->addWidget(status_[i], i, 1);
        cancel_[i] = new QPushButton(QStringLiteral("Cancel"), this);
        cancel_[i]->setAutoDefault(false);
        cancel_[i]->setEnabled(false);
        grid->addWidget(cancel_[i], i, 2);
    }
    connect(cancel_[0], &QPushButton::clicked, this, [this] { sequence_.cancelClosingConnections(); });
    connect(cancel_[1], &QPushButton::clicked, this, [this] { sequence_.cancelFlushingFiles(); });
    connect(cancel_[2], &QPushButton::clicked, this, [this] { sequence_.cancelSaveState(); });
    connect(&sequence_, &ClosingSequence::statusChanged, this,
            [this](int phase, const QString& text) { status_[phase]->setText(text); });
    connect(&sequence_, &ClosingSequence::cancelEnabledChanged, this,
            [this](int phase, bool enabled) { cancel_[phase]->setEnabled(enabled); });
    connect(&sequence_, &ClosingSequence::showWindowRequested, this, [this] { showOurWindow(); });
    connect(&sequence_, &ClosingSequence::finished, this, [this] { done(1); });
    NotificationHub::defaultCenter().addObserver(QStringLiteral("ApplicationWillTerminate"), this,
                                                 [this](const Notification&) { sequence_.closeWindow(); });
    adjustSize();
}

ClosingAppWC::~ClosingAppWC()
{
    NotificationHub::defaultCenter().removeObserver(this);
}

void ClosingAppWC::hideOurWindow()
{
    windowFrame_ = QRect(pos(), sizeHint());
    setWindowOpacity(0.0);
    resize(0, 0);
    shown_ = false;
}

void ClosingAppWC::showOurWindow()
{
    setWindowOpacity(1.0);
    resize(windowFrame_.size());
    shown_ = true;
}

int ClosingAppWC::runModal()
{
    hideOurWindow();
    QTimer::singleShot(0, this, [this] { sequence_.start(); });
    const int code = exec();
    hide();
    return code;
}

void ClosingAppWC::closeEvent(QCloseEvent* event)
{
    sequence_.closeWindow();
    event->accept();
}
