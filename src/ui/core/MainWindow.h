#pragma once

#include <QMainWindow>

class AppDelegate;
class MainVC;
class QAction;

// The main window. Files dropped anywhere on it are handed to the
// application delegate as if they had been opened with the program. Its menu
// bar carries the main controller's commands.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);

    void setDelegate(AppDelegate* delegate) { delegate_ = delegate; }
    // The File, Queue, View, Window and Help menus, each item named after
    // the controller's command it runs. Once per window.
    void buildMenuBar(MainVC* vc);
    QAction* quitAction() const { return quit_; }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool event(QEvent* event) override;
    // A close is a quit request, which the delegate may refuse.
    void closeEvent(QCloseEvent* event) override;

private:
    AppDelegate* delegate_ = nullptr;
    QAction* quit_ = nullptr;
};
