#pragma once

#include <QRectF>
#include <QWidget>

class QProgressBar;
class QPushButton;

// The small window with a running bar and a Cancel button shown over the
// search page's results while a request runs. It knows nothing of
// searching: it records whether the user cancelled and closes itself; the
// page, told by `closing`, reads `isCancelled`.
class BusySearchingWC : public QWidget
{
    Q_OBJECT
public:
    // `parentViewRect`: the result view's frame within the main window.
    explicit BusySearchingWC(const QRectF& parentViewRect, QWidget* parent = nullptr);
    ~BusySearchingWC() override;

    bool isCancelled() const { return isCancelled_; }
    bool windowIsClosing() const { return windowIsClosing_; }
    QPushButton* cancelButton() const { return cancelButton_; }

    void showWindow();
    void cancelButtonClicked();
    // Closes once, whatever asks.
    void closeWindow();

    // Where the window goes: centred over the stretch from 80 points right
    // of the result view's left edge to the main window's right edge, its
    // top half the result view's height plus 65 below the main window's
    // top, kept within the screen's visible area. Screen coordinates with y
    // growing downwards.
    static QPoint centerWindow(const QRect& mainFrame, const QRectF& parentViewRect, const QSize& size,
                               const QRect& visible);

Q_SIGNALS:
    void closing();

protected:
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QRectF parentViewRect_;
    bool isCancelled_ = false;
    bool windowIsClosing_ = false;
    QProgressBar* progressBar_;
    QPushButton* cancelButton_;
};
