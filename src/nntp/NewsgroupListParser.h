#pragma once

#include "nntp/NewsgroupSelectorItem.h"

#include <QByteArray>
#include <QList>

// Reads the reply block of LIST (one "group high low flag" line per
// newsgroup, up to and including the terminating "." line) into newsgroup
// items, sorted by name with the locale's case-insensitive collation. Pure
// functions, any thread.
class NewsgroupListParser
{
public:
    // Whether the reply names no newsgroup at all: nothing, or only the
    // terminating line (a server without groups answers "215 ..." and ".").
    static bool isEmptyList(const QByteArray& reply);

    // The items of the reply, `checkbox` off:
    // - lines shorter than 3 characters (the terminating ".") are skipped,
    //   and so is a line whose first field ends in ".";
    // - the fields are separated by blanks; the article count is field 2
    //   minus field 3 when there are at least 3 fields (highest minus lowest
    //   article number), else 0, and never below 0 (an empty group's low mark
    //   is above its high mark);
    // - a line holding a byte above 127 is no newsgroup line of this
    //   protocol and is skipped alone; the rest of the list is kept.
    static QList<NewsgroupSelectorItem> parse(const QByteArray& reply);

    // The leading integer of a field as the list gives it: digits after an
    // optional sign, anything after them ignored, 0 when there are none,
    // saturated at the limits of 64 bits.
    static qint64 integerValue(QByteArrayView field);

    // Sorts by `newsgroup` with the locale's case-insensitive collation,
    // keeping the order of equal names.
    static void sortItems(QList<NewsgroupSelectorItem>& items);
};
