#pragma once

#include "ui/queue/TableRowViewQueueFiles.h"

#include <QStyledItemDelegate>

class QueueFilesTableModel;

// The "CellQueueFiles" cell of the files pane: the row's state colour, the
// part's check box, its file name and size, and a flat bar of its progress
// in the part's progress colour. A click on an enabled check box flips the
// part's `checkbox` and announces the part's number (`qidnr`).
class TableCellViewQueueFiles : public QStyledItemDelegate
{
    Q_OBJECT
public:
    static constexpr int kRowHeight = 36;

    explicit TableCellViewQueueFiles(QueueFilesTableModel* model, QObject* parent = nullptr);

    static QString identifier() { return QStringLiteral("CellQueueFiles"); }
    static QRect checkBoxRect(const QRect& row);
    static QRect progressBarRect(const QRect& row);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

Q_SIGNALS:
    void checkboxClicked(qint64 tag);

private:
    QueueFilesTableModel* model_;
    TableRowViewQueueFiles rowView_;
};
