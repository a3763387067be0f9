#pragma once

#include <QString>

#include <optional>

// The display texts of the article codes (`Segment`, ArticleStatus in
// StatusCodes.h), a code space of their own.
class SCodeClass
{
public:
    static std::optional<QString> code2Text(qint64 code);
};
