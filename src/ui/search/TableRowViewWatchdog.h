#pragma once

#include "controls/TableRowViewDefault.h"

#include <QColor>

// The rows of the Watchdog entries and history tables: a light grey row with
// a white line along its top and a faint dark line along its bottom; a
// selected row takes the queue's selection colours from the settings
// ("QueueRowColorProperties"), the style's own when a colour is missing.
class TableRowViewWatchdog : public TableRowViewDefault
{
    Q_OBJECT
public:
    explicit TableRowViewWatchdog(QObject* parent = nullptr);

    QColor bgColor() const { return bgColor_; }
    QColor highLightColor() const { return highLightColor_; }
    QColor highLightInactiveColor() const { return highLightInactiveColor_; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    QColor bgColor_;
    QColor highLightColor_;
    QColor highLightInactiveColor_;
};
