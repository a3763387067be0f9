#pragma once

#include <QDate>

// Told the day the user picks in an MLCalendarView (an invalid date for a
// click on an empty cell).
class MLCalendarViewDelegate
{
public:
    virtual ~MLCalendarViewDelegate() = default;
    virtual void didSelectDate(const QDate& date) = 0;
};
