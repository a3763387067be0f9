#pragma once

#include <QVariant>

// Shows a job or file-part status code as its text, for table models.
// One direction only: a text is never turned back into a code.
class QStatusToText
{
public:
    // A number holding a code gives the code's text, or an invalid QVariant
    // when the code has none; an absent (invalid or null) value gives the
    // empty string.
    static QVariant transformedValue(const QVariant& value);

    static constexpr bool allowsReverseTransformation() { return false; }
};
