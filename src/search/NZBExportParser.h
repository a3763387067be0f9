#pragma once

#include "queue/QueueObjectDelegate.h"
#include "queue/Segment.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class DeepLookupRecord;

// Reads the reply to an NZB export request: the complete file and article
// list of a search result, as records that nest by order. A "FILE QID"
// record starts a result (a new root job), each "FILE FID" record a file of
// the last result (a file part), each "FILE SEG" record an article of the
// last file (a segment). The roots are new objects, never queued.
//
// A record with fewer fields than its kind needs is skipped, as are records
// of other kinds. A FID before any result, and a SEG before the first file
// of its result, belong nowhere and are dropped.
//
// Keeps no state: one parse may run on any thread and touches only the
// objects it makes.
class NZBExportParser
{
public:
    struct Result
    {
        // The roots, oldest posting date first (equal dates in reply
        // order); absent when the reply held no result.
        std::optional<QList<QueuePtr>> contentArray;
        // The parts of the last INFO record that had 3 or more.
        std::optional<QStringList> info;
        // The text of the last ERROR record.
        std::optional<QString> error;
    };

    // `text` is absent when the reply had no readable body.
    Result parseSearchResult(const std::optional<QString>& text) const;

    static QueuePtr convertToQID(const DeepLookupRecord& record);
    static QueuePtr convertToFID(const DeepLookupRecord& record);
    static SegmentPtr convertToSEG(const DeepLookupRecord& record);
    // The roots sorted by date, oldest first; `roots` is emptied.
    static QList<QueuePtr> convertToFinalArray(QList<QueuePtr>& roots);
};
