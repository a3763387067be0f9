#pragma once

#include <QLineEdit>

// A search field for a dark ground: a white insertion point and white text,
// selected text on dark grey. When editing ends the selection is collapsed
// to the start.
class SearchField : public QLineEdit
{
    Q_OBJECT
public:
    explicit SearchField(QWidget* parent = nullptr);

protected:
    void focusOutEvent(QFocusEvent* event) override;
};
