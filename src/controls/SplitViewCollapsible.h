#pragma once

#include <QSplitter>

// A split view of two panes of which one alone can collapse, divided by a
// 1-point grey line that is hidden while that pane is collapsed (the page's
// toggle opens it again). Positions count in the split view's own points
// along its orientation. Each change of the pane's collapse state, by a
// drag, a resize or from code, is reported once.
class SplitViewCollapsible : public QSplitter
{
    Q_OBJECT
public:
    SplitViewCollapsible(Qt::Orientation orientation, int collapsiblePane, QWidget* parent = nullptr);

    int collapsiblePane() const { return collapsiblePane_; }
    bool isSubviewCollapsed(int index) const;
    // The state last reported through collapseStateChanged.
    bool paneIsCollapsed() const { return paneIsCollapsed_; }
    // The collapsible pane's width or height; 0 when it is missing.
    int paneSize() const;
    int maxPossiblePositionOfDividerAtIndex(int divider) const;
    int positionOfDividerAtIndex(int divider) const;
    void setPositionOfDividerAtIndex(int position, int divider);

Q_SIGNALS:
    void collapseStateChanged(bool collapsed);
    void doubleClickedDivider();

protected:
    QSplitterHandle* createHandle() override;
    void resizeEvent(QResizeEvent* event) override;
    void childEvent(QChildEvent* event) override;
    // Brings the divider and the reported state in line with the sizes.
    void updateCollapseState();

private:
    int collapsiblePane_;
    bool paneIsCollapsed_ = false;
};
