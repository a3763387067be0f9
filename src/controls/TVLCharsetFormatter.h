#pragma once

#include "controls/TVLFormatter.h"

// A formatter that lower-cases what is typed and keeps only the characters of
// its accepted set.
class TVLCharsetFormatter : public TVLFormatter
{
    Q_OBJECT
public:
    using TVLFormatter::TVLFormatter;

    // The accepted characters; an empty set with `decimalDigits` accepts the
    // Unicode decimal digits instead.
    QString acceptedCharset() const { return acceptedCharset_; }
    void setAcceptedCharset(const QString& charset) { acceptedCharset_ = charset; }

    bool accepts(char32_t c) const;
    // Lower-cased and filtered.
    QString filtered(const QString& text) const;

    PartialCheck isPartialStringValid(const QString& proposed, int caret) const override;

protected:
    // What an edit that leaves nothing is replaced by.
    void setEmptyReplacement(const QString& text) { emptyReplacement_ = text; }
    void setAcceptsDecimalDigits(bool on) { decimalDigits_ = on; }

private:
    QString acceptedCharset_;
    QString emptyReplacement_;
    bool decimalDigits_ = false;
};
