#include "ui/stats/ViewStatsDateSelector.h"

ViewStatsDateSelector::ViewStatsDateSelector(QWidget* parent) : ViewStatsFramedField(parent)
{
    setObjectName(QStringLiteral("viewStatsDateSelector"));
}
