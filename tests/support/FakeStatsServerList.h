#pragma once

#include "stats/StatsServerList.h"

// A server list for the statistics tests: the servers are set directly.
class FakeStatsServerList : public StatsServerList
{
public:
    QList<StatsServerInfo> statsServers() const override { return servers; }

    // Adds a server with a colour of its own and its statistics shown.
    StatsServerInfo& add(const QString& serverID, const QString& alias, bool showStats = true);
    StatsServerInfo* find(const QString& serverID);

    QList<StatsServerInfo> servers;
};
