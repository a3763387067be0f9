#pragma once

#include <QMainWindow>

class AppDelegate;

// The main window. Files dropped anywhere on it are handed to the
// application delegate as if they had been opened with the program.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);

    void setDelegate(AppDelegate* delegate) { delegate_ = delegate; }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool event(QEvent* event) override;
    // A close is a quit request, which the delegate may refuse.
    void closeEvent(QCloseEvent* event) override;

private:
    AppDelegate* delegate_ = nullptr;
};
