#pragma once

#include <QString>
#include <QStringList>

// Makes a PAR2 set with the real par2 (par2cmdline) in a folder:
// `par2 create -s<sliceSize> -c<recoveryBlocks> <name>.par2 <files...>`.
class Par2SetMaker
{
public:
    static bool isAvailable();

    // Writes each file of `files` (name -> size) with pseudo-random content
    // from `seed` into `folder`.
    static bool writeFiles(const QString& folder, const QList<QPair<QString, qint64>>& files, quint32 seed);

    // Runs par2 in `folder` and returns the PAR2 files it made (index first,
    // then the volumes by name); empty on failure, with par2's output in
    // `output`. par2 is given `timeoutMs` to finish.
    static QStringList create(const QString& folder, const QString& name, const QStringList& files,
                              qint64 sliceSize, int recoveryBlocks, QString* output = nullptr,
                              int timeoutMs = 60000);
};
