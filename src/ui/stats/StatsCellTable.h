#pragma once

#include <QTableWidget>

// The one-column tables of the statistics page and its popovers: each row
// is a cell view (swatch, name, figures), nothing can be selected, and the
// table is drawn on whatever is behind it.
class StatsCellTable : public QTableWidget
{
    Q_OBJECT
public:
    explicit StatsCellTable(QWidget* parent = nullptr);

    // Replaces the rows; the table owns the views from now on.
    void setRowViews(const QList<QWidget*>& views);
    QWidget* rowView(int row) const;

    static constexpr int kRowHeight = 24;
};
