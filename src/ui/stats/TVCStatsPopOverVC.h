#pragma once

#include "ui/stats/TVCStatsServerUsage.h"

// A row of a bar's popover: the same swatch, alias and bytes as a row of
// the page's table, under its own identifier.
class TVCStatsPopOverVC : public TVCStatsServerUsage
{
    Q_OBJECT
public:
    explicit TVCStatsPopOverVC(QWidget* parent = nullptr);
    static QString identifier() { return QStringLiteral("CellStatsPopOverVC"); }
};
