#pragma once

#include "controls/RowRefreshPoller.h"
#include "queue/Queue.h"

#include <QAbstractTableModel>
#include <QColor>

#include <memory>
#include <optional>
#include <vector>

class RepairObject;

// What one row of the PAR2 pane shows of one file of the job's set.
struct QueueParInfoRow
{
    QString filename;
    QString status;
    QString blocks;
    QColor colorRow;

    static QueueParInfoRow forChild(const RepairObject& child);
    bool operator==(const QueueParInfoRow&) const = default;
};

// The rows of the PAR2 pane: the files (`childs`) of the shown job's
// `repairObject`, in order, with the columns file, status and blocks. The
// repair bookkeeping changes the texts without telling and the set gains
// files as its PAR2 files arrive, so the rows are looked at ten times a
// second while shown. Main thread only.
class QueueParInfoTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { FileColumn, StatusColumn, BlocksColumn, ColumnCount };
    enum Role { ColorRole = Qt::UserRole + 1 };

    explicit QueueParInfoTableModel(QObject* parent = nullptr);

    void setJob(const QueuePtr& job);
    QueuePtr job() const { return job_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    const QueueParInfoRow& rowView(int row) const;
    RowRefreshPoller& poller() { return poller_; }
    // Takes the set's file list again when it changed.
    void syncWithSet();

private:
    QList<std::shared_ptr<RepairObject>> currentChilds() const;
    bool refreshRow(int row);

    QueuePtr job_;
    QList<std::shared_ptr<RepairObject>> childs_;
    mutable std::vector<std::optional<QueueParInfoRow>> rows_;
    RowRefreshPoller poller_;
};
