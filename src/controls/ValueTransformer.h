#pragma once

#include <QString>
#include <QVariant>

// Turns a stored value into the value a field or column shows. An invalid
// QVariant stands for "no value".
class ValueTransformer
{
public:
    virtual ~ValueTransformer() = default;

    virtual QVariant transformedValue(const QVariant& value) const = 0;
    virtual bool allowsReverseTransformation() const { return false; }
    // The stored value for a shown one; no value where reversing is not allowed.
    virtual QVariant reverseTransformedValue(const QVariant& value) const;

    static bool isNil(const QVariant& value) { return !value.isValid() || value.isNull(); }
    // A value read as a whole number: numbers are truncated, texts read up to
    // their first character that is not part of a number (saturating), anything
    // else is 0.
    static qint64 integerValue(const QVariant& value);
    // A value read as a number; `ok` is false for values that are not numbers.
    static double doubleValue(const QVariant& value, bool* ok = nullptr);
};
