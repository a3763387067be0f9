#pragma once

#include "controls/TVLFormatter.h"

// Upper-case text of at most `maxLength` characters.
class TextFieldFormatter : public TVLFormatter
{
    Q_OBJECT
public:
    explicit TextFieldFormatter(QObject* parent = nullptr);

    qint64 maxLength() const { return maxLength_; }
    void setMaxLength(qint64 length) { maxLength_ = length; }

    PartialCheck isPartialStringValid(const QString& proposed, int caret) const override;

private:
    qint64 maxLength_ = 0x7fffffff;
};
