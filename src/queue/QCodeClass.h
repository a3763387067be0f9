#pragma once

#include <QList>
#include <QString>

#include <optional>

// The status codes of jobs and file parts: one integer space (root download
// and post-processing 0-61, parse and search-service 99-110, uploads 200-300,
// file parts 1001-1203). A job's state is its code; the scheduler reacts to
// each assignment.
class QCodeClass
{
public:
    // The display text of a code, or nothing for a code that has none
    // (22, 34 and 50 are codes without text; so is any unknown number).
    static std::optional<QString> code2Text(qint64 code);

    // Upload codes kept in the save state, and the codes of uploads still
    // being prepared, which are not kept (the quit question warns about them).
    static QList<qint64> upQueueSaveStateArray();
    static QList<qint64> upQueueNoSaveStateArray();
};
