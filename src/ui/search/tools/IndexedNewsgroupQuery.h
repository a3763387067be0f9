#pragma once

#include "search/IndexedNG.h"

#include <QList>
#include <QString>

#include <optional>

// The newsgroups-field text for groups picked in the indexed-newsgroup
// selector, the same on the search page and in the Watchdog editor: each
// name loses "alt.binaries." (the bare "alt.binaries" stays as it is), one
// group stands alone, several are joined as ((a) OR (b)). The content type
// follows the last group that has a name.
class IndexedNewsgroupQuery
{
public:
    struct Result
    {
        QString text;
        bool ero = false;
    };

    // Nothing when no group has a name: the field is then left alone.
    static std::optional<Result> fromNewsgroups(const QList<IndexedNG>& groups);
};
