#pragma once

#include "nntp/NNTPServersController.h"
#include "stats/StatsCalendar.h"
#include "stats/StatsUsageController.h"
#include "support/ManualClock.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QTimeZone>

#include <memory>

// The statistics page's engine objects on a fresh home: the real server list
// (stored in the home), the real statistics engine on a clock standing at
// noon of 5 March 2024 in Berlin.
class StatsPageFixture : public ::testing::Test
{
public:
    StatsPageFixture();

    static qint64 day(int y, int m, int d) { return StatsCalendar::dayNumberForDate(y, m, d); }
    NNTPServerObjectPtr addServer(const QString& alias, const QColor& color);
    // A stored day total, written through the engine's own store.
    void storeDay(const NNTPServerObjectPtr& server, qint64 dayNumber, double bytes);
    static void setRange(qint64 start, qint64 end);

    TempHome home;
    QTimeZone zone{QByteArray("Europe/Berlin")};
    ManualClock clock;
    NNTPServersController servers;
    std::unique_ptr<StatsUsageController> engine;
    qint64 today = 0;
};
