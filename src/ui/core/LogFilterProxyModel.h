#pragma once

#include <QList>
#include <QSortFilterProxyModel>

// The filtered arrangement of the log page: with a filter text, only the
// rows whose level name, time or message contain it in any letter case. The
// caller column is never searched. Rows keep the order of the log.
class LogFilterProxyModel : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    explicit LogFilterProxyModel(QObject* parent = nullptr);

    // The columns of the source model that the filter searches.
    void setSearchedColumns(const QList<int>& columns);

    QString filterText() const { return filterText_; }
    // An empty text shows every row.
    void setFilterText(const QString& text);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    QList<int> searchedColumns_;
    QString filterText_;
};
