#include "support/FakeStatsServerList.h"

StatsServerInfo& FakeStatsServerList::add(const QString& serverID, const QString& alias, bool showStats)
{
    StatsServerInfo s;
    s.serverID = serverID;
    s.alias = alias;
    s.color = QColor::fromHsv(int(servers.size() * 67 % 360), 200, 220);
    s.showStats = showStats;
    servers.append(s);
    return servers.last();
}

StatsServerInfo* FakeStatsServerList::find(const QString& serverID)
{
    for (StatsServerInfo& s : servers) {
        if (s.serverID == serverID) return &s;
    }
    return nullptr;
}
