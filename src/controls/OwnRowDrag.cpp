#include "controls/OwnRowDrag.h"

#include <QAbstractItemView>
#include <QDropEvent>
#include <QMimeData>
#include <QWidget>

void OwnRowDrag::enableOn(QAbstractItemView* view)
{
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setDragEnabled(true);
    view->setAcceptDrops(true);
    view->setDragDropMode(QAbstractItemView::InternalMove);
    view->setDropIndicatorShown(true);
}

bool OwnRowDrag::carriesType(const QDropEvent* event, const char* type)
{
    return event->mimeData() && event->mimeData()->hasFormat(QString::fromLatin1(type));
}

bool OwnRowDrag::isFromView(const QDropEvent* event, const QWidget* view, const char* type)
{
    return event->source() == view && carriesType(event, type);
}

void OwnRowDrag::enter(QDragEnterEvent* event, const QWidget* view, const char* type)
{
    if (isFromView(event, view, type))
        event->acceptProposedAction();
    else
        event->ignore();
}
