#pragma once

#include <QLineEdit>

// A date field of the range selector. Whenever it takes the keyboard focus
// it posts "TextFieldDateSelectorBecomeFistResponder" with itself as the
// object and in the entry "textfield" (and the focus reason in "reason"),
// so the selector can point its calendar at it.
class TextFieldDateSelector : public QLineEdit
{
    Q_OBJECT
public:
    explicit TextFieldDateSelector(QWidget* parent = nullptr);

    // 1 the start field, 2 the end field.
    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }

protected:
    void focusInEvent(QFocusEvent* e) override;

private:
    int tag_ = 0;
};
