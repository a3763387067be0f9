#pragma once

#include <QString>

// Names of archives and their volumes as the extractors use them. No state;
// any thread.
class ArchiveNames
{
public:
    // The name a set is announced with: without its last extension, then
    // without a final ".partN" (any case): "Show.part01.rar" gives "Show".
    static QString displayName(const QString& archiveName);

    // The volume of `name`'s set that extraction must start at, among the
    // files in `folder`: for "x.partN.rar" the present "x.partM.rar" with the
    // lowest M; for "x.rNN" (and "x.rar") "x.rar" when present; for "x.NNN"
    // (split 7z, "x.7z.002") the present "x.MMM" with the lowest M. Names
    // compare without regard to case. `name` itself when nothing better is
    // there.
    static QString firstVolume(const QString& folder, const QString& name);

    // Containers that are the download itself and not an archive to unpack:
    // comic books (.cbz .cbr .cb7 .cbt), Java and Android packages (.jar
    // .apk), electronic books (.epub) and office documents.
    static bool isPayloadContainer(const QString& name);

    // Whether the number written in `a` is below the one in `b` (runs of
    // decimal digits of any length, leading zeros ignored).
    static bool digitsLess(const QString& a, const QString& b);
};
