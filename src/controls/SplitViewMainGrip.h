#pragma once

#include <QPointer>
#include <QWidget>

class SplitViewMain;

// The strip along the top of the main split view's lower pane that moves
// its divider when dragged. It lies over the pane's own top bar; a press on
// a button there goes on to the button.
class SplitViewMainGrip : public QWidget
{
    Q_OBJECT
public:
    explicit SplitViewMainGrip(SplitViewMain* splitView);

    // Places the grip over the top of `pane` (or hides it without one).
    void attachTo(QWidget* pane, int height);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    void forward(QMouseEvent* e);
    QWidget* buttonBeneath(const QPoint& pos) const;

    SplitViewMain* splitView_;
    QPointer<QWidget> pane_;
    QPointer<QWidget> forwardTarget_;
    int height_ = 0;
    int pressOffset_ = 0;
};
