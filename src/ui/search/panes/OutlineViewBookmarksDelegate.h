#pragma once

#include <QModelIndex>
#include <QPoint>

class QObject;

// What the bookmarks outline asks of its pane: the keys it passes on, its
// context menu, and the steps of moving bookmarks by drag.
class OutlineViewBookmarksDelegate
{
public:
    // Where a drop would land: into the map at `item` before its bookmark
    // number `childIndex`, or on the item itself with kOnItem.
    struct DropTarget
    {
        static constexpr int kOnItem = -1;
        QModelIndex item;
        int childIndex = kOnItem;
    };

    virtual ~OutlineViewBookmarksDelegate() = default;

    virtual void deleteKeyPressedInBookmarks() {}
    virtual void enterKeyPressedInBookmarks() {}
    // The right-clicked row is the outline's clickedIndex() meanwhile.
    virtual void contextMenuRequested(const QPoint& /*globalPos*/) {}

    // A drag of these items starts; false refuses it.
    virtual bool writeItems(const QModelIndexList& items) = 0;
    virtual bool validateDrop(const QObject* source, const DropTarget& target) const = 0;
    virtual bool acceptDrop(const QObject* source, const DropTarget& target) = 0;
};
