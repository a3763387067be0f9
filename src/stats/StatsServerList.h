#pragma once

#include <QColor>
#include <QList>
#include <QString>

// What the statistics need to know of one news server.
struct StatsServerInfo
{
    QString serverID;       // the key of the server's rows in the statistics
    QString alias;          // display name
    QColor color;           // colour of its bars
    bool showStats = false; // its traffic is shown in the graph (it is stored either way)
};

// The statistics engine's view of the news-server list. The server list
// controller provides it; the engine takes a snapshot of it (on start-up,
// "NNTPServerListChanged" and "RebuildStatsUsageGraph"), so the list is only
// ever read on the main thread.
class StatsServerList
{
public:
    virtual ~StatsServerList() = default;
    // Every configured server, in list order.
    virtual QList<StatsServerInfo> statsServers() const = 0;
};
