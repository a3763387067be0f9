#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <optional>

// What makes a yEnc article one of a given file: the "size=" and "name=" of
// its "=ybegin" line, as they stand. Every article of one file repeats them;
// an article that states others belongs to another file, whatever its
// "=ypart" offsets say.
struct YencPartIdentity
{
    std::optional<qint64> size;
    std::optional<QByteArray> name;

    bool operator==(const YencPartIdentity&) const = default;
};
