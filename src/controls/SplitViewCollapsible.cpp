#include "controls/SplitViewCollapsible.h"

#include "controls/SplitViewQueueHandle.h"

#include <QChildEvent>

#include <algorithm>

SplitViewCollapsible::SplitViewCollapsible(Qt::Orientation orientation, int collapsiblePane, QWidget* parent)
    : QSplitter(orientation, parent), collapsiblePane_(collapsiblePane)
{
    setChildrenCollapsible(true);
    setHandleWidth(1);
    connect(this, &QSplitter::splitterMoved, this, &SplitViewCollapsible::updateCollapseState);
}

QSplitterHandle* SplitViewCollapsible::createHandle()
{
    auto* handle = new SplitViewQueueHandle(orientation(), this);
    connect(handle, &SplitViewQueueHandle::doubleClicked, this, &SplitViewCollapsible::doubleClickedDivider);
    return handle;
}

void SplitViewCollapsible::childEvent(QChildEvent* event)
{
    QSplitter::childEvent(event);
    if (event->added() || event->polished())
        for (int i = 0; i < count(); ++i)
            setCollapsible(i, i == collapsiblePane_);
}

bool SplitViewCollapsible::isSubviewCollapsed(int index) const
{
    const QList<int> s = sizes();
    return index >= 0 && index < s.size() && s[index] == 0;
}

int SplitViewCollapsible::paneSize() const
{
    return sizes().value(collapsiblePane_);
}

int SplitViewCollapsible::maxPossiblePositionOfDividerAtIndex(int divider) const
{
    if (divider != 0 || count() < 2) return 0;
    const int extent = orientation() == Qt::Horizontal ? width() : height();
    return std::max(0, extent - handleWidth());
}

int SplitViewCollapsible::positionOfDividerAtIndex(int divider) const
{
    const QList<int> s = sizes();
    return divider == 0 && !s.isEmpty() ? s[0] : 0;
}

void SplitViewCollapsible::setPositionOfDividerAtIndex(int position, int divider)
{
    if (divider != 0 || count() < 2) return;
    const int total = maxPossiblePositionOfDividerAtIndex(0);
    const int first = std::clamp(position, 0, total);
    setSizes({first, total - first});
    updateCollapseState();
}

void SplitViewCollapsible::resizeEvent(QResizeEvent* event)
{
    QSplitter::resizeEvent(event);
    updateCollapseState();
}

void SplitViewCollapsible::updateCollapseState()
{
    if (count() < 2) return;
    const bool collapsed = isSubviewCollapsed(collapsiblePane_);
    if (QSplitterHandle* divider = handle(1)) divider->setVisible(!collapsed);
    if (collapsed == paneIsCollapsed_) return;
    paneIsCollapsed_ = collapsed;
    Q_EMIT collapseStateChanged(collapsed);
}
