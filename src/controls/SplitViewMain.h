#pragma once

#include <QPointer>
#include <QSplitter>

class SplitViewMainGrip;

// The main window's split view: an upper page (index 0) and a lower pane
// (index 1) that can collapse. The divider has no thickness; it is grabbed in
// a strip 27 points tall along the top of the lower pane. A drag that
// collapses or expands the lower pane posts "SplitViewMainCollapseStateChanged"
// (user info "state": true when collapsed); moves made in code post nothing.
// The lower pane's size is remembered under "SplitViewMainBottomRestorePosition".
class SplitViewMain : public QSplitter
{
    Q_OBJECT
public:
    explicit SplitViewMain(QWidget* parent = nullptr);
    ~SplitViewMain() override;

    static QString restorePositionKey() { return QStringLiteral("SplitViewMainBottomRestorePosition"); }
    static QString collapseStateChangedNotification()
    {
        return QStringLiteral("SplitViewMainCollapseStateChanged");
    }
    static constexpr int kGripHeight = 27;

    // The collapse state last announced (or set in code).
    bool bottomViewIsCollapsed() const { return bottomViewIsCollapsed_; }
    bool isSubviewCollapsed(int index) const;

    int minPossiblePositionOfDividerAtIndex(int divider) const;
    int maxPossiblePositionOfDividerAtIndex(int divider) const;
    int positionOfDividerAtIndex(int divider) const;
    // Moves a divider from code.
    void setPositionOfDividerAtIndex(int position, int divider);

    // Where the divider can be grabbed (empty while the lower pane is
    // collapsed, when the divider is hidden).
    QRect dividerMouseArea() const;

    // The remembered lower pane: the upper page's height is stored when the
    // pane collapses, and the pane reopens there.
    void saveXPositionForBottomPane();
    float getSavedXPositionForBottomPane() const;
    void collapseBottomPane();
    void expandBottomPane();
    void toggleBottomPane();

    // A drag of the divider to `position` (what the grip does).
    void dragDividerTo(int position);

protected:
    void resizeEvent(QResizeEvent* e) override;
    void childEvent(QChildEvent* e) override;

private:
    void splitViewDidResizeSubviews(int dividerIndex);
    void updateGrip();

    QPointer<SplitViewMainGrip> grip_;
    bool bottomViewIsCollapsed_ = false;
};
