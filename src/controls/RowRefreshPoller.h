#pragma once

#include <QObject>
#include <QPair>
#include <QTimer>

#include <functional>

// Looks at a range of table rows at most ten times a second and reports the
// runs of rows that show something new. For rows whose record the engine
// changes from its threads without telling anyone, or tells about on every
// step: a record that changes a thousand times a second still costs at most
// ten repaints a second. Main thread only.
class RowRefreshPoller : public QObject
{
    Q_OBJECT
public:
    static constexpr int kIntervalMs = 100;

    // `rowChanged(row)` re-reads one row and tells whether it shows something
    // new; `report(first, last)` is told each run of such rows.
    using RowCheck = std::function<bool(int row)>;
    using Report = std::function<void(int first, int last)>;

    RowRefreshPoller(RowCheck rowChanged, Report report, QObject* parent = nullptr);

    // Runs before each periodic look (a model brings its rows in line here).
    void setBeforeEachLook(std::function<void()> hook) { beforeEachLook_ = std::move(hook); }

    // The rows the periodic look covers (the visible ones); none by default.
    // The timer runs only while this range is not empty.
    void setRange(int first, int last);
    QPair<int, int> range() const { return {first_, last_}; }
    bool isActive() const { return timer_.isActive(); }

    // Re-reads rows first...last (clamped to 0...rowCount-1) now and reports
    // the runs that changed.
    void refreshRows(int first, int last, int rowCount);
    void setRowCount(std::function<int()> rowCount) { rowCount_ = std::move(rowCount); }

    // How many rows were reported changed so far.
    qint64 changedRowReports() const { return changedRowReports_; }

private:
    void look();

    RowCheck rowChanged_;
    Report report_;
    std::function<int()> rowCount_;
    std::function<void()> beforeEachLook_;
    QTimer timer_;
    int first_ = 0;
    int last_ = -1;
    qint64 changedRowReports_ = 0;
};
