#pragma once

#include <QSplitterHandle>

// The queue page's divider: a 1-point grey line. Qt widens the grab area of
// a 1-point handle by 2 points on each side over its neighbours. A
// double-click asks the split view to collapse the right pane.
class SplitViewQueueHandle : public QSplitterHandle
{
    Q_OBJECT
public:
    using QSplitterHandle::QSplitterHandle;

    static QColor dividerColor();

Q_SIGNALS:
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};
