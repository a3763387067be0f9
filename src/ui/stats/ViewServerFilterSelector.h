#pragma once

#include "ui/stats/ViewStatsFramedField.h"

// The statistics page's the server-filter field: a click opens the list of servers to show.
class ViewServerFilterSelector : public ViewStatsFramedField
{
    Q_OBJECT
public:
    explicit ViewServerFilterSelector(QWidget* parent = nullptr);
};
