#include "ui/search/panes/SearchPaneWindow.h"

#include "platform/NotificationHub.h"
#include "ui/core/WindowPlacement.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>

SearchPaneWindow::SearchPaneWindow(QWidget* parent) : QDialog(parent)
{
    QPointer<SearchPaneWindow> self(this);
    NotificationHub::defaultCenter().addObserver(QStringLiteral("ApplicationWillTerminate"), this,
                                                 [self](const Notification&) {
                                                     if (self && self->isVisible()) self->closeWindow();
                                                 });
}

SearchPaneWindow::~SearchPaneWindow()
{
    NotificationHub::defaultCenter().removeObserver(this);
}

qint64 SearchPaneWindow::runModal()
{
    return run(false);
}

qint64 SearchPaneWindow::runAsSheet()
{
    return run(parentWidget() != nullptr);
}

qint64 SearchPaneWindow::run(bool sheet)
{
    windowIsClosing_ = false;
    responseCode_ = 0;
    setWindowModality(sheet ? Qt::WindowModal : Qt::ApplicationModal);
    windowDidLoad();
    if (windowIsClosing_) return responseCode_;
    adjustSize();
    if (sheet) {
        // A sheet hangs from the top of its parent's content, centred on it.
        const QScreen* screen = QGuiApplication::primaryScreen();
        move(WindowPlacement::centeredOrigin(parentWidget()->window()->geometry(), frameGeometry().size(),
                                             screen ? screen->availableGeometry() : QRect(), 0));
    } else {
        WindowPlacement::centerWindow(this, kWindowDistance);
    }
    exec();
    return responseCode_;
}

void SearchPaneWindow::closeWindow()
{
    if (windowIsClosing_) return;
    windowIsClosing_ = true;
    windowWillEnd();
    done(int(responseCode_));
}

void SearchPaneWindow::closeEvent(QCloseEvent* event)
{
    closeWindow();
    event->accept();
}
