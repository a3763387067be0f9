#pragma once

#include "queue/Queue.h"

#include <QWidget>

class QListView;
class QueueParInfoTableModel;

// The PAR2 pane of the queue page: each file of the chosen job's PAR2
// recovery set with its repair state ("Missing", "Processing", "Complete",
// "Broken", "Repair Blocks") and block count, coloured by that state. Rows
// cannot be selected. Main thread only.
class QueueParInfoVC : public QWidget
{
    Q_OBJECT
public:
    explicit QueueParInfoVC(QWidget* parent = nullptr);

    void setCurrentQueueObject(const QueuePtr& job);
    QueuePtr currentQueueObject() const;
    void showFilesFor(const QueuePtr& job);
    void clearlist();

    QListView* tableView() const { return tableView_; }
    QueueParInfoTableModel* model() const { return model_; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void updateRefreshRange();

    QueueParInfoTableModel* model_ = nullptr;
    QListView* tableView_ = nullptr;
};
