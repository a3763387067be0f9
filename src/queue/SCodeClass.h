#pragma once

#include <QString>

#include <optional>

// The status codes of articles (`Segment`), a code space of their own:
// 0 not set, 1 downloading, 2 downloaded, 10 cancelled, 20 uploading,
// 21 uploaded, 99 queued, 430 missing.
class SCodeClass
{
public:
    static std::optional<QString> code2Text(qint64 code);
};
