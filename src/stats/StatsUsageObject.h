#pragma once

#include <QColor>
#include <QList>
#include <QString>

// One statistics record (one server's bytes of one day, live or stored) or
// one bar of the usage graph (a day, week, month or year, whose children are
// one record per server). A plain value: every answer of the engine is a
// copy that the page may lay out and keep.
class StatsUsageObject
{
public:
    enum Type : qint64 {
        Filler = 0, // the stand-in of a period without records
        Live = 1,   // a record of the current day, from memory
        Stored = 2, // a record read from the store
        // A bar, and the children of week, month and year bars, carry the
        // display type instead: 1 day, 2 week, 3 month, 4 year.
    };

    qint64 type = Filler;
    QString serverID; // "" for the filler
    QString alias;
    qint64 date = 0; // a local day number
    double bytes = 0;
    double ubytes = 0; // uploads are not counted: always 0
    QColor color;
    QList<StatsUsageObject> children;
    QString xLabel; // lines separated by "\r"

    // Laid out by the graph.
    float height = 0;
    float xStart = 0;
    float xEnd = 0;
};
