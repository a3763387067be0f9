#pragma once

#include <QList>
#include <QString>

#include <optional>

// The display texts of the job and file-part codes (JobStatus, UploadStatus
// and FilePartStatus in StatusCodes.h): one integer space. A job's state is
// its code; the scheduler reacts to each assignment.
class QCodeClass
{
public:
    // The display text of a code, or nothing for a code that has none
    // (NeedsMoreRepairBlocks, NZBParsed and FilePartFailed have no text; nor
    // has any unknown number).
    static std::optional<QString> code2Text(qint64 code);

    // Upload codes kept in the save state, and the codes of uploads still
    // being prepared, which are not kept (the quit question warns about them).
    static QList<qint64> upQueueSaveStateArray();
    static QList<qint64> upQueueNoSaveStateArray();
};
