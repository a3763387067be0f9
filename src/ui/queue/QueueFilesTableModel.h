#pragma once

#include "controls/RowRefreshPoller.h"
#include "queue/Queue.h"

#include <QAbstractListModel>
#include <QColor>

#include <optional>
#include <vector>

class QueueFilesController;

// What one row of the files pane shows of its file part.
struct QueueFilesRow
{
    QString filename;
    double bytes = 0;
    qint64 checkbox = 0;
    bool checkboxDisabled = false;
    qint64 progress = 0;
    QColor colorRow;
    QColor colorProgressBar;

    static QueueFilesRow forPart(const Queue& part);
    bool operator==(const QueueFilesRow&) const = default;
};

// The rows of the files pane: the file parts in the files controller's
// `queuefilesArray`. The engine changes the parts from its threads without
// telling, so the rows on screen are looked at ten times a second and
// reported only when they show something new. Main thread only.
class QueueFilesTableModel : public QAbstractListModel
{
    Q_OBJECT
public:
    enum Role { PartRole = Qt::UserRole + 1 };

    explicit QueueFilesTableModel(QueueFilesController* controller, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    QueuePtr partAt(int row) const;
    // What the row shows (read from its part the first time it is asked).
    const QueueFilesRow& rowView(int row) const;

    // Around every change of `queuefilesArray`.
    void willChangeFiles();
    void didChangeFiles();

    RowRefreshPoller& poller() { return poller_; }

private:
    bool refreshRow(int row);

    QueueFilesController* controller_;
    mutable std::vector<std::optional<QueueFilesRow>> rows_;
    RowRefreshPoller poller_;
};
