#include "PopupShot.h"

#include <QPainter>
#include <QWidget>

QImage grabWithPopup(QWidget* host, QWidget* popup)
{
    const QRect hostFrame(host->mapToGlobal(QPoint(0, 0)), host->size());
    const QRect popupFrame(popup->pos(), popup->size());
    const QRect all = hostFrame.united(popupFrame);
    QImage shot(all.size(), QImage::Format_ARGB32);
    shot.fill(QColor(90, 96, 104));
    QPainter p(&shot);
    p.drawImage(hostFrame.topLeft() - all.topLeft(), host->grab().toImage());
    p.drawImage(popupFrame.topLeft() - all.topLeft(), popup->grab().toImage());
    return shot;
}
