#include "ui/core/MainWindow.h"

#include <QCloseEvent>

#include "ui/core/AppDelegate.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QStringLiteral("Binorama"));
    setAcceptDrops(true);
    resize(1100, 700);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event)
{
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void MainWindow::dropEvent(QDropEvent* event)
{
    QStringList files;
    if (const QMimeData* mime = event->mimeData()) {
        for (const QUrl& url : mime->urls()) {
            if (url.isLocalFile())
                files.append(url.toLocalFile());
        }
    }
    if (!files.isEmpty() && delegate_)
        delegate_->openFiles(files);
    // A drop without file names is still accepted, as the user expects.
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

bool MainWindow::event(QEvent* event)
{
    if (delegate_) {
        if (event->type() == QEvent::WindowActivate)
            delegate_->windowDidBecomeKey();
        else if (event->type() == QEvent::WindowDeactivate)
            delegate_->windowDidResignKey();
    }
    return QMainWindow::event(event);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (delegate_ && !delegate_->applicationShouldTerminate()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}
