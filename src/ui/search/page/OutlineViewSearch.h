#pragma once

#include "controls/OutlineDisclosureButton.h"
#include "queue/Queue.h"

#include <QList>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QSet>
#include <QTreeView>

class DeepLookupController;
class OutlineCVSearchPassword;
class OutlineCVSearchStatus;
class OutlineRowViewSearch;
class OutlineCVSearchSubject;
class OutlineViewSearchModel;

// The search result tree: each result of the search client at the top
// level, its files under it once asked for. It shows the engine's state of
// each item live, hands ticked items to the scheduler, opens downloaded
// files on Enter or double-click, and keeps its sort and column layout
// between runs.
class OutlineViewSearch : public QTreeView
{
    Q_OBJECT
public:
    explicit OutlineViewSearch(QWidget* parent = nullptr);
    ~OutlineViewSearch() override;

    OutlineViewSearchModel* resultsModel() const { return model_; }
    DeepLookupController* deepLookupController() const;
    void setDeepLookupController(DeepLookupController* controller);

    void setResults(const QList<QueuePtr>& results);
    // Draws the item's row again from its current values (a result's file
    // list too).
    void reloadItem(const QueuePtr& item);

    // Sorts the results by the chosen column and shows them again.
    void sortData();
    QList<QueuePtr> getSelectedObjects() const;
    QueuePtr getObjectForQidnr(qint64 qidnr) const;
    void checkboxStateChangedForQueue(const QueuePtr& item);
    void checkboxClicked(qint64 qidnr, qint64 newState);
    void pwdButtonClicked(qint64 qidnr);
    void enterKeyPressed();
    void cmdDKeyPressed();
    void showDialogDoubleClick();
    bool dialogDoubleClickShown() const { return dialogDoubleClickShown_; }

    void loadLastUsedSortDescriptor();
    void saveLastUsedSortDescriptor() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void tickAndQueue(const QueuePtr& item);
    void itemWillExpand(const QModelIndex& index);
    void updatePolledRange();
    void saveHeaderState() const;

    OutlineViewSearchModel* model_;
    OutlineCVSearchSubject* subjectDelegate_;
    OutlineCVSearchStatus* statusDelegate_;
    OutlineCVSearchPassword* passwordDelegate_;
    OutlineRowViewSearch* rowView_;
    OutlineDisclosureButton disclosure_;
    QPersistentModelIndex hoveredRow_;
    // Results whose file list was asked for (by number), so that a row
    // opened again before the answer came asks nothing more.
    QSet<qint64> filelistAsked_;
    bool dialogDoubleClickShown_ = false;
    bool restoringHeader_ = false;
};
