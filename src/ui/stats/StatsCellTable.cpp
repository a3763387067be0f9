#include "ui/stats/StatsCellTable.h"

#include <QHeaderView>

StatsCellTable::StatsCellTable(QWidget* parent) : QTableWidget(parent)
{
    setColumnCount(1);
    horizontalHeader()->hide();
    horizontalHeader()->setStretchLastSection(true);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(kRowHeight);
    setShowGrid(false);
    setSelectionMode(QAbstractItemView::NoSelection);
    setFocusPolicy(Qt::NoFocus);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setStyleSheet(QStringLiteral("QTableWidget { background: transparent; }"));
    viewport()->setAutoFillBackground(false);
}

void StatsCellTable::setRowViews(const QList<QWidget*>& views)
{
    clearContents();
    setRowCount(int(views.size()));
    for (int row = 0; row < views.size(); ++row)
        setCellWidget(row, 0, views[row]);
}

QWidget* StatsCellTable::rowView(int row) const
{
    return cellWidget(row, 0);
}
