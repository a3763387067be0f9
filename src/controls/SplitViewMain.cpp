#include "controls/SplitViewMain.h"

#include "controls/SplitViewMainGrip.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"

#include <QChildEvent>

SplitViewMain::~SplitViewMain()
{
    // The grip may still sit in a pane that outlives the split view.
    delete grip_;
}

SplitViewMain::SplitViewMain(QWidget* parent) : QSplitter(Qt::Vertical, parent)
{
    setHandleWidth(0);
    setChildrenCollapsible(false);
    // The grip is not a child of the split view (which would take it for a
    // pane); it lives in the lower pane.
    grip_ = new SplitViewMainGrip(this);
    connect(this, &QSplitter::splitterMoved, this, [this](int, int index) {
        // QSplitter counts the widget after the handle; divider 0 is index 1.
        splitViewDidResizeSubviews(index - 1);
    });
}

void SplitViewMain::childEvent(QChildEvent* e)
{
    QSplitter::childEvent(e);
    if (e->type() == QEvent::ChildAdded || e->type() == QEvent::ChildPolished) {
        // Only the lower pane collapses.
        for (int i = 0; i < count(); ++i)
            setCollapsible(i, i == 1);
        updateGrip();
    }
}

bool SplitViewMain::isSubviewCollapsed(int index) const
{
    if (index < 0 || index >= count()) return false;
    const QList<int> s = sizes();
    return index < s.size() && s.at(index) == 0;
}

int SplitViewMain::minPossiblePositionOfDividerAtIndex(int divider) const
{
    int min = 0, max = 0;
    getRange(divider + 1, &min, &max);
    return min;
}

int SplitViewMain::maxPossiblePositionOfDividerAtIndex(int divider) const
{
    int min = 0, max = 0;
    getRange(divider + 1, &min, &max);
    return max;
}

int SplitViewMain::positionOfDividerAtIndex(int divider) const
{
    const QList<int> s = sizes();
    int position = 0;
    for (int i = 0; i <= divider && i < s.size(); ++i)
        position += s.at(i);
    return position + divider * handleWidth();
}

void SplitViewMain::setPositionOfDividerAtIndex(int position, int divider)
{
    if (divider != 0 || count() < 2) return;
    const QList<int> old = sizes();
    int total = 0;
    for (int s : old)
        total += s;
    const int min = minPossiblePositionOfDividerAtIndex(0);
    const int max = maxPossiblePositionOfDividerAtIndex(0);
    const int upper = qBound(min, position, max);
    QList<int> s = old;
    s[0] = upper;
    s[1] = qMax(0, total - upper);
    setSizes(s);
    // Code moves announce nothing but keep the state current, so that the
    // next drag compares against what is on screen.
    bottomViewIsCollapsed_ = isSubviewCollapsed(1);
    updateGrip();
}

void SplitViewMain::dragDividerTo(int position)
{
    moveSplitter(position, 1);
    updateGrip();
}

void SplitViewMain::splitViewDidResizeSubviews(int dividerIndex)
{
    if (dividerIndex != 0) return;
    const bool collapsed = isSubviewCollapsed(1);
    if (collapsed != bottomViewIsCollapsed_) {
        NotificationHub::defaultCenter().post(collapseStateChangedNotification(), this,
                                              {{QStringLiteral("state"), collapsed}});
    }
    bottomViewIsCollapsed_ = collapsed;
    updateGrip();
}

QRect SplitViewMain::dividerMouseArea() const
{
    if (count() < 2 || isSubviewCollapsed(1)) return QRect();
    return QRect(0, positionOfDividerAtIndex(0), width(), handleWidth() + kGripHeight);
}

void SplitViewMain::updateGrip()
{
    if (!grip_) return;
    QWidget* pane = count() >= 2 && !isSubviewCollapsed(1) ? widget(1) : nullptr;
    grip_->attachTo(pane, kGripHeight);
}

void SplitViewMain::resizeEvent(QResizeEvent* e)
{
    QSplitter::resizeEvent(e);
    updateGrip();
}

void SplitViewMain::saveXPositionForBottomPane()
{
    if (count() < 2) return;
    const int upper = sizes().value(0);
    if (upper < maxPossiblePositionOfDividerAtIndex(0)) {
        UserDefaults::standard().setFloat(float(upper), restorePositionKey());
        UserDefaults::standard().synchronize();
    }
}

float SplitViewMain::getSavedXPositionForBottomPane() const
{
    return UserDefaults::standard().floatForKey(restorePositionKey());
}

void SplitViewMain::collapseBottomPane()
{
    saveXPositionForBottomPane();
    setPositionOfDividerAtIndex(maxPossiblePositionOfDividerAtIndex(0), 0);
}

void SplitViewMain::expandBottomPane()
{
    const int max = maxPossiblePositionOfDividerAtIndex(0);
    float position = getSavedXPositionForBottomPane();
    // Nothing saved yet (or a position that would leave the pane shut):
    // open it a little above the bottom.
    if (position < 1 || position >= max - 1) position = float(max - 28);
    setPositionOfDividerAtIndex(int(position), 0);
}

void SplitViewMain::toggleBottomPane()
{
    if (isSubviewCollapsed(1))
        expandBottomPane();
    else
        collapseBottomPane();
}
