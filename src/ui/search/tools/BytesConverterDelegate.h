#pragma once

#include <QString>

class TVLTextField;

// Who hears the bytes converter's result: the text of whole bytes, or a null
// string when there is nothing to write, with the field it was meant for.
class BytesConverterDelegate
{
public:
    virtual ~BytesConverterDelegate() = default;
    virtual void bytesConversionFinishedWithValue(const QString& value, TVLTextField* textField) = 0;
};
