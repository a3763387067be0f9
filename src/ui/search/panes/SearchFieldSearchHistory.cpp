#include "ui/search/panes/SearchFieldSearchHistory.h"

#include "controls/SRGB.h"

SearchFieldSearchHistory::SearchFieldSearchHistory(QWidget* parent) : SearchField(parent)
{
    setObjectName(QStringLiteral("SearchFieldSearchHistory"));
    // The insertion point is drawn in the text colour.
    QPalette pal = palette();
    pal.setColor(QPalette::Text, grey(1.0 / 3.0));
    pal.setColor(QPalette::Highlight, grey(2.0 / 3.0));
    pal.setColor(QPalette::HighlightedText, Qt::black);
    setPalette(pal);
}
