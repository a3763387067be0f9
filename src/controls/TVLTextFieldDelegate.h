#pragma once

#include <QString>

class QAbstractButton;
class TVLTextField;

// What the owner of a TVLTextField hears from it. Every call is optional.
class TVLTextFieldDelegate
{
public:
    virtual ~TVLTextFieldDelegate() = default;
    // The value changed (typed, cleared, or set from code).
    virtual void controlTextDidChange(TVLTextField* field) { (void)field; }
    virtual void controlTextDidEndEditing(TVLTextField* field) { (void)field; }
    virtual void extraButtonClicked(QAbstractButton* button, const QString& identifier)
    {
        (void)button;
        (void)identifier;
    }
};
