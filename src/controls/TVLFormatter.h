#pragma once

#include <QString>
#include <QValidator>
#include <QVariant>

// A text formatter: decides, edit by edit, what a field may hold. The rules
// are pure text logic (isPartialStringValid), so they can be used and tested
// without a widget; as a QValidator the formatter is attached to a QLineEdit,
// which then shows the replacement the formatter proposes.
class TVLFormatter : public QValidator
{
    Q_OBJECT
public:
    struct PartialCheck
    {
        bool accepted = true;
        QString replacement; // the text the field shows instead, when not accepted
        int caret = 0;       // the caret position that goes with the replacement
    };

    using QValidator::QValidator;

    // `proposed` is the field's text after the edit, `caret` the caret
    // position after it.
    virtual PartialCheck isPartialStringValid(const QString& proposed, int caret) const = 0;

    // The text shown for a value, and the value held for a text.
    virtual QString stringForObjectValue(const QVariant& value) const;
    virtual QVariant getObjectValue(const QString& string) const;

    // Never refuses: a refused edit becomes its replacement.
    State validate(QString& input, int& pos) const override;
};
