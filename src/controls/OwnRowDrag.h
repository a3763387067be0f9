#pragma once

class QAbstractItemView;
class QDragEnterEvent;
class QDropEvent;
class QWidget;

// The drags by which a list view reorders its own rows: such a drag carries
// the view's own data type and began on the view itself; every other drag
// is turned away.
namespace OwnRowDrag {

// Sets `view` up for such drags: whole rows, several at a time, moved only
// within the view, with the drop place shown.
void enableOn(QAbstractItemView* view);

// True when `event` carries data of `type`.
bool carriesType(const QDropEvent* event, const char* type);
// True when the drag began on `view` and carries data of `type`.
bool isFromView(const QDropEvent* event, const QWidget* view, const char* type);
// Lets such a drag of `view` enter and ignores any other; where it may land
// is for the view to judge as it moves.
void enter(QDragEnterEvent* event, const QWidget* view, const char* type);

} // namespace OwnRowDrag
