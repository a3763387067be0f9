#include "ui/stats/ViewServerFilterSelector.h"

ViewServerFilterSelector::ViewServerFilterSelector(QWidget* parent) : ViewStatsFramedField(parent)
{
    setObjectName(QStringLiteral("viewServerFilterSelector"));
}
