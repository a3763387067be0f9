#pragma once

#include "ui/search/SearchFieldCell.h"

class SearchFieldSearchHistory;

// The filter field of the search history pane: a flat, light field with a
// lighter line along its top and a darker one along its bottom, its own
// light grey search and clear buttons and a light grey placeholder. The
// text sits from x 22 over width − 42. `triggered` carries the filter text;
// the clear button empties the field and sends it once with the empty text,
// so the filter is lifted at once.
class SearchFieldCellSearchHistory : public SearchFieldCell
{
    Q_OBJECT
public:
    static constexpr float kTextFieldPadding = 7.0f;

    explicit SearchFieldCellSearchHistory(QWidget* parent = nullptr);

    static QRect searchTextRectForBounds(const QRect& bounds);
    SearchFieldSearchHistory* searchField() const;

protected:
    void drawBackground(QPainter& painter) override;
};
