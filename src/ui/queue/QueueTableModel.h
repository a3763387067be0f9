#pragma once

#include "queue/Queue.h"
#include "queue/QueueController.h"
#include "controls/RowRefreshPoller.h"
#include "ui/queue/CustomProgressBar.h"
#include "ui/queue/QueueStatsButton.h"

#include <QAbstractListModel>
#include <QPointer>
#include <QTimer>

#include <memory>

class QueueController;

// What one row shows of its job, read from the job at the moment of use.
struct QueueRowTexts
{
    QString title;
    QString comment;
    QString progress; // "42%"-style text of the job
    QString size;     // bytes left (total), or the total
    QString timeLeft;
    QString completeness;
    QString alert;
    bool hasPassword = false;

    static QueueRowTexts forJob(const Queue& job);
    // A job done with everything it was asked for (downloaded or posted).
    static bool hasEnded(qint64 status);
    bool operator==(const QueueRowTexts&) const = default;
};

// The rows of the queue table: the jobs of QueueController's `queueArray`, in
// queue order. The model follows the controller's list changes with row
// inserts and removes (never a reset per job), and keeps with each row the
// row's bound controls (its progress bar and status button).
//
// The engine writes progress and texts from its threads without telling
// anyone, so the model looks at the rows it is asked to refresh at most ten
// times a second, and reports a row as changed only when something it shows
// changed: a job that changes a thousand times a second costs at most ten
// repaints a second. Main thread only.
class QueueTableModel : public QAbstractListModel
{
    Q_OBJECT
public:
    enum Role { JobRole = Qt::UserRole + 1 };
    static constexpr int kRefreshIntervalMs = RowRefreshPoller::kIntervalMs;

    explicit QueueTableModel(QObject* parent = nullptr);
    ~QueueTableModel() override;

    QueueController* queueController() const { return queueController_; }
    void setQueueController(QueueController* controller);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    Qt::DropActions supportedDropActions() const override { return Qt::MoveAction; }
    Qt::DropActions supportedDragActions() const override { return Qt::MoveAction; }
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;

    QueuePtr jobAt(int row) const;
    int rowOf(const QueuePtr& job) const;

    // The controls bound to a row's job (made on first use, fed with the
    // job's values).
    struct Binding
    {
        CustomProgressBar progressBar;
        QueueStatsButton statusButton;
        QueueRowTexts texts;
        double progress = -1;
        QColor colorProgressBar;
        QColor colorStatsButton;
        int visible = -1;
        int paused = -1;
        qint64 status = -1;
        int bordered = -1;
        bool bound = false;
    };
    Binding* binding(int row) const;

    // Re-reads the jobs of rows first...last and reports those that show
    // something new.
    void refreshRows(int first, int last);
    // The rows the periodic refresh looks at (the visible ones); none by
    // default. The refresh runs only while this range is not empty.
    void setRefreshRange(int first, int last);
    QPair<int, int> refreshRange() const { return poller_.range(); }

    // The table moved a row itself (the controller does not announce moves).
    void moveRowLocally(int from, int to);
    // Brings the rows in line with the controller's list: removals and
    // insertions as such, anything else as a layout change.
    void syncWithController();
    // Forgets every row and reads the list again (only for a failed move).
    void reloadData();

    // How many rows were reported changed since the model was made.
    qint64 changedRowReports() const { return poller_.changedRowReports(); }

    static QString dragType() { return QStringLiteral("com.tavilsoft.binorama.queue.tableview"); }

private:
    struct Row
    {
        QueuePtr job;
        std::unique_ptr<Binding> binding;
    };
    // True when the row shows something new.
    bool bind(Row& row) const;
    Row makeRow(const QueuePtr& job) const;

    QPointer<QueueController> queueController_;
    mutable std::vector<Row> rows_;
    RowRefreshPoller poller_;
};
