#pragma once

#include <QString>

// Gives every news-server identifier seen in this run a small number, so that
// per-article server lists (`Segment` `usedServerIDs`) can be bit sets
// instead of string arrays. Numbers are never reused or taken back; a run
// knows a handful of servers. Thread-safe.
class ServerIDRegistry
{
public:
    // The number of `serverID`, given one if it has none yet.
    static int tokenFor(const QString& serverID);
    // The number of `serverID`, or -1 when it was never given one.
    static int findToken(const QString& serverID);
    // The identifier of a number; the empty string for an unknown number.
    static QString serverIDForToken(int token);
};
