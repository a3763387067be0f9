#include "controls/SplitViewQueueHandle.h"

#include "controls/SRGB.h"

#include <QMouseEvent>
#include <QPainter>

QColor SplitViewQueueHandle::dividerColor()
{
    return grey(0.761);
}

void SplitViewQueueHandle::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(contentsRect(), dividerColor());
}

void SplitViewQueueHandle::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        Q_EMIT doubleClicked();
        event->accept();
        return;
    }
    QSplitterHandle::mouseDoubleClickEvent(event);
}
