#include "support/StatsEngineFixture.h"

#include "platform/UserDefaults.h"
#include "stats/DBStatsUsage.h"

#include <QDateTime>
#include <QFile>

#include <sqlite3.h>

StatsEngineFixture::StatsEngineFixture()
{
    servers.add(QStringLiteral("1"), QStringLiteral("News A"));
    servers.add(QStringLiteral("2"), QStringLiteral("News B"));
    clock.set(localTime("2024-03-05T12:00:00"));
}

qint64 StatsEngineFixture::localTime(const char* isoLocal) const
{
    QDateTime local = QDateTime::fromString(QString::fromLatin1(isoLocal), Qt::ISODate);
    local.setTimeZone(zone);
    return local.toSecsSinceEpoch();
}

qint64 StatsEngineFixture::utcTime(const char* isoUtc)
{
    QDateTime t = QDateTime::fromString(QString::fromLatin1(isoUtc), Qt::ISODate);
    t.setTimeSpec(Qt::UTC);
    return t.toSecsSinceEpoch();
}

StatsCalendar StatsEngineFixture::calendar(StatsCalendar::WeekRule rule) const
{
    return StatsCalendar(clock.clock(), zone, rule);
}

std::unique_ptr<StatsUsageController> StatsEngineFixture::makeEngine(StatsCalendar::WeekRule rule)
{
    auto engine = std::make_unique<StatsUsageController>(calendar(rule));
    engine->setNntpServersController(&servers);
    return engine;
}

QHash<QString, double> StatsEngineFixture::memoryTotals(StatsUsageController& engine)
{
    QHash<QString, double> out;
    for (const StatsUsageObject& r : engine.makeStatsObjectsFromCurrentDayForDBExport(true))
        out.insert(r.serverID, r.bytes);
    return out;
}

QString StatsEngineFixture::databasePath() const
{
    return home.appSupportPath() + QStringLiteral("/db/stats_usage.db");
}

void StatsEngineFixture::execSql(const QString& sql) const
{
    DBStatsUsage make; // creates the file when missing
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(databasePath()).constData(), &db), SQLITE_OK);
    char* error = nullptr;
    const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error);
    const QString message = QString::fromUtf8(error ? error : "");
    sqlite3_free(error);
    sqlite3_close(db);
    ASSERT_EQ(rc, SQLITE_OK) << message.toStdString() << " :: " << sql.toStdString();
}

QList<QStringList> StatsEngineFixture::dayRows() const
{
    DBStatsUsage store;
    return store.dbQuery(
        QStringLiteral("SELECT serverid, date, bytes FROM stats WHERE type = 2 ORDER BY date, serverid"));
}

void StatsEngineFixture::seedRow(const QString& serverID, qint64 dayNumber, qint64 bytes) const
{
    StatsUsageObject r;
    r.serverID = serverID;
    r.date = dayNumber;
    r.bytes = double(bytes);
    DBStatsUsage store;
    ASSERT_TRUE(store.writeStatsToDB({r}));
}

void StatsEngineFixture::failInserts(const QString& serverID) const
{
    const QString when =
        serverID.isEmpty() ? QString() : QStringLiteral(" WHEN NEW.serverid = '%1'").arg(serverID);
    execSql(QStringLiteral("CREATE TRIGGER failing_insert BEFORE INSERT ON stats%1 BEGIN "
                           "SELECT RAISE(ABORT, 'refused by the test'); END;")
                .arg(when));
}

void StatsEngineFixture::allowInserts() const
{
    execSql(QStringLiteral("DROP TRIGGER IF EXISTS failing_insert;"));
}

void StatsEngineFixture::countInserts() const
{
    execSql(QStringLiteral("CREATE TABLE IF NOT EXISTS test_inserts (n INTEGER);"
                           "CREATE TRIGGER IF NOT EXISTS counting_insert AFTER INSERT ON stats BEGIN "
                           "INSERT INTO test_inserts VALUES (1); END;"));
}

int StatsEngineFixture::insertCount() const
{
    DBStatsUsage store;
    return store.dbQuery(QStringLiteral("SELECT COUNT(*) FROM test_inserts")).value(0).value(0).toInt();
}

void StatsEngineFixture::setDisplayType(qint64 type) const
{
    UserDefaults::standard().setInteger(type, QStringLiteral("statsUsageDisplayType"));
}
