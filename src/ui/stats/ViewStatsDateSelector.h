#pragma once

#include "ui/stats/ViewStatsFramedField.h"

// The statistics page's the date-range field: a click opens the range selector.
class ViewStatsDateSelector : public ViewStatsFramedField
{
    Q_OBJECT
public:
    explicit ViewStatsDateSelector(QWidget* parent = nullptr);
};
