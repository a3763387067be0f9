#pragma once

#include "controls/TableRowViewDefault.h"

#include <QColor>

class QRect;

// The light rows of the program's lists (the Watchdog tables, the search
// history, the bookmarks): an unselected row is light grey with a white line
// along its top and a faint dark line along its bottom; a selected row is
// filled with the queue's selection colour of an emphasized or an inactive
// row (setting "QueueRowColorProperties"; the style's own where one is
// missing) and keeps the dark line. The colours are read once, when the row
// view is made: a later change of the setting reaches new row views only.
//
// Set as a table's item delegate it draws each cell's part of the row. A
// tree also calls drawRow() from its own drawRow(), so that the row spans the
// indentation too.
class TableRowViewLight : public TableRowViewDefault
{
    Q_OBJECT
public:
    explicit TableRowViewLight(QObject* parent = nullptr);

    QColor bgColor() const { return bgColor_; }
    QColor highLightColor() const { return highLightColor_; }
    QColor highLightInactiveColor() const { return highLightInactiveColor_; }

    // The colour stored under `key` in "QueueRowColorProperties"; invalid
    // when the key is missing.
    static QColor getRowColorForKey(const QString& key);

    // An unselected row.
    void drawBackgroundInRect(QPainter& painter, const QRect& bounds) const;
    // A selected row.
    using TableRowViewDefault::drawSelectionInRect;
    void drawSelectionInRect(QPainter& painter, const QRect& bounds, bool emphasized) const;
    void drawRow(QPainter& painter, const QRect& bounds, bool selected, bool emphasized) const;
    // The faint dark line along the bottom edge of a row.
    static void drawBottomLine(QPainter& painter, const QRect& bounds);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    QColor bgColor_;
    QColor highLightColor_;
    QColor highLightInactiveColor_;
};
