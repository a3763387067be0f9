#pragma once

#include <QColor>

class QPainter;
class QRect;

// How a row of the files pane is drawn: its state colour with a light line
// on top and a dark line at the bottom, or, when selected, the selection
// colour of an active or inactive window. The selection colours come from
// the setting "FilesRowColorProperties" when the row view is made. The PAR2
// pane's rows share the unselected drawing.
class TableRowViewQueueFiles
{
public:
    TableRowViewQueueFiles();

    QColor bgColor() const { return bgColor_; }
    QColor highLightColor() const { return highLightColor_; }
    QColor highLightInactiveColor() const { return highLightInactiveColor_; }

    // An unselected row in `color` (nothing for an invalid colour but the
    // two edge lines).
    static void drawBackground(QPainter& painter, const QRect& bounds, const QColor& color);
    // A selected row; `emphasized` while its window is active.
    void drawSelection(QPainter& painter, const QRect& bounds, bool emphasized) const;

private:
    QColor bgColor_;
    QColor highLightColor_;
    QColor highLightInactiveColor_;
};
