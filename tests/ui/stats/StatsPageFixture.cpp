#include "StatsPageFixture.h"

#include "platform/UserDefaults.h"
#include "stats/DBStatsUsage.h"

#include <QDateTime>

StatsPageFixture::StatsPageFixture()
{
    clock.set(QDateTime(QDate(2024, 3, 5), QTime(12, 0), zone).toSecsSinceEpoch());
    engine = std::make_unique<StatsUsageController>(StatsCalendar(clock.clock(), zone));
    engine->setNntpServersController(&servers);
    engine->startUp();
    today = engine->getCurrentDay();
    UserDefaults::standard().setBool(false, QStringLiteral("statsUseLastWeekWhenStarting"));
}

NNTPServerObjectPtr StatsPageFixture::addServer(const QString& alias, const QColor& color)
{
    NNTPServerObjectPtr server = servers.createNewNNTPServer();
    server->setAlias(alias);
    server->setColor(color);
    servers.saveNNTPServers();
    engine->makeDictWithNNTPServers();
    return server;
}

void StatsPageFixture::storeDay(const NNTPServerObjectPtr& server, qint64 dayNumber, double bytes)
{
    StatsUsageObject r;
    r.serverID = server->serverID();
    r.date = dayNumber;
    r.bytes = bytes;
    DBStatsUsage store;
    ASSERT_TRUE(store.writeStatsToDB({r}));
    engine->clearCache();
}

void StatsPageFixture::setRange(qint64 start, qint64 end)
{
    UserDefaults::standard().setInteger(start, QStringLiteral("statsUsageStartDay"));
    UserDefaults::standard().setInteger(end, QStringLiteral("statsUsageEndDay"));
}
