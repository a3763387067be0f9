#pragma once

#include "queue/Segment.h"
#include "search/DeepLookupContentParser.h"

#include <QHash>
#include <QString>

#include <optional>

class DeepLookupRecord;

// Turns the reply of a Watchdog search into complete download jobs: each
// job record ("FILE", "QID") with the file parts ("FILE", "FID") and their
// articles ("FILE", "SEG") that follow it, so that a match can be queued
// without asking for file or article lists. A record with nothing above it
// to join is dropped; so is an article whose message-id could not stand in
// a BODY command.
//
// One parser serves one reply; it touches only the objects it makes and
// reads one setting, so it may run on any thread.
class WatchdogSearchContentParser
{
public:
    using Result = DeepLookupContentParser::Result;

    // The jobs oldest first under contentArray, with the newest job date;
    // the INFO parts; the ERROR text.
    Result parseSearchResult(const std::optional<QString>& text) const;

    // A message-id as the service sends it (without brackets) is usable
    // when it is not empty and holds no blank, control character or angle
    // bracket.
    static bool isUsableMessageId(QStringView mid);

private:
    QueuePtr convertToQID(const DeepLookupRecord& record, qint64 incompleteLimit) const;
    QueuePtr convertToFID(const DeepLookupRecord& record) const;
    // `buffer` is reused from article to article.
    SegmentPtr convertToSEG(const DeepLookupRecord& record, QByteArray& buffer) const;
};
