#pragma once

#include "stats/StatsCalendar.h"
#include "stats/StatsUsageController.h"
#include "support/FakeStatsServerList.h"
#include "support/LogFileReader.h"
#include "support/ManualClock.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QTimeZone>

#include <memory>

// A statistics engine on a fresh home: two servers ("1" News A, "2" News B,
// both shown), a clock that stands still at noon of 5 March 2024 in Berlin,
// ISO weeks, and direct access to stats_usage.db.
class StatsEngineFixture : public ::testing::Test
{
public:
    StatsEngineFixture();

    // Seconds since 1970 of a local time ("2024-03-05T23:59:59") in `zone`.
    qint64 localTime(const char* isoLocal) const;
    static qint64 utcTime(const char* isoUtc);
    static qint64 day(int year, int month, int dayOfMonth)
    {
        return StatsCalendar::dayNumberForDate(year, month, dayOfMonth);
    }

    StatsCalendar calendar(StatsCalendar::WeekRule rule = StatsCalendar::WeekRule::iso()) const;
    // A controller on this fixture's calendar and servers (not started up).
    std::unique_ptr<StatsUsageController>
    makeEngine(StatsCalendar::WeekRule rule = StatsCalendar::WeekRule::iso());

    // The current day's totals in memory, by serverID.
    static QHash<QString, double> memoryTotals(StatsUsageController& engine);

    QString databasePath() const;
    // Runs SQL on the file directly (outside the store classes).
    void execSql(const QString& sql) const;
    // Type-2 rows as (serverid, date, bytes), by date and serverid.
    QList<QStringList> dayRows() const;
    // Type-2 rows written directly.
    void seedRow(const QString& serverID, qint64 dayNumber, qint64 bytes) const;
    // From now on every insert of `serverID` fails (empty: every insert).
    void failInserts(const QString& serverID = QString()) const;
    void allowInserts() const;
    // Counts the rows inserted from now on.
    void countInserts() const;
    int insertCount() const;

    void setDisplayType(qint64 type) const;

    TempHome home;
    LogFileReader log{home.logFilePath()};
    FakeStatsServerList servers;
    QTimeZone zone{QByteArray("Europe/Berlin")};
    ManualClock clock;
};
