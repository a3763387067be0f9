#include "ui/stats/StatsPopover.h"

#include <QScreen>

StatsPopover::StatsPopover(QWidget* parent) : QFrame(parent, Qt::Popup)
{
    setFrameShape(QFrame::StyledPanel);
    // The light look whatever the page around it.
    setStyleSheet(QStringLiteral("StatsPopover { background: #f6f6f6; border: 1px solid #9a9a9a; "
                                 "border-radius: 4px; } QLabel { color: #202020; }"));
}

void StatsPopover::showRelativeTo(QWidget* anchor, const QRect& rect)
{
    adjustSize();
    const QPoint bottomCentre = anchor->mapToGlobal(QPoint(rect.center().x(), rect.bottom() + 1));
    QRect frame(QPoint(bottomCentre.x() - width() / 2, bottomCentre.y() + 2), size());
    if (const QScreen* screen = anchor->screen()) {
        const QRect area = screen->availableGeometry();
        // No room below: open above the rectangle instead.
        if (frame.bottom() > area.bottom())
            frame.moveBottom(anchor->mapToGlobal(QPoint(0, rect.top())).y() - 2);
        frame.moveLeft(std::clamp(frame.left(), area.left(), std::max(area.left(), area.right() - width())));
        frame.moveTop(std::max(frame.top(), area.top()));
    }
    move(frame.topLeft());
    show();
    raise();
    activateWindow();
}

void StatsPopover::hideEvent(QHideEvent* e)
{
    QFrame::hideEvent(e);
    Q_EMIT closed();
}
