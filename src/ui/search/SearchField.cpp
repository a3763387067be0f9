#include "ui/search/SearchField.h"

#include "controls/SRGB.h"

SearchField::SearchField(QWidget* parent) : QLineEdit(parent)
{
    setObjectName(QStringLiteral("SearchField"));
    setFrame(false);
    // The insertion point is drawn in the text colour.
    QPalette pal = palette();
    pal.setColor(QPalette::Base, grey(0.22));
    pal.setColor(QPalette::Text, Qt::white);
    pal.setColor(QPalette::Highlight, grey(0.4));
    pal.setColor(QPalette::HighlightedText, Qt::white);
    pal.setColor(QPalette::PlaceholderText, grey(0.6));
    setPalette(pal);
}

void SearchField::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    deselect();
    setCursorPosition(0);
}
