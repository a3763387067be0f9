#pragma once

#include "search/DeepLookupObject.h"
#include "search/SearchHistoryController.h"

#include <QPointer>
#include <QWidget>

class QListWidget;
class SearchHistoryController;

// The search history pane on the left of the search page: the finished
// searches, newest first, each with the image of its content type. So far
// it records finished searches and is switched off while a search runs.
class SearchHistoryVC : public QWidget
{
    Q_OBJECT
public:
    explicit SearchHistoryVC(QWidget* parent = nullptr);

    void setHistoryController(SearchHistoryController* controller);
    SearchHistoryController* historyController() const { return controller_; }

    // Records a finished search: an entry of the same alias and content type
    // takes its place, otherwise it goes first; the list keeps at most
    // `maxSearchHistoryDatabase` entries. A search without title, poster and
    // newsgroup is not recorded.
    void addSearchToHistory(const DeepLookupObjectPtr& query);
    static std::optional<QString> makeSearchAlias(const DeepLookupObject& query);
    qsizetype getRowNumberForObject(const DeepLookupObject& query) const;

    void enableTableview();
    void disableTableview();
    QListWidget* tableView() const { return table_; }

private:
    void reloadTable();

    QPointer<SearchHistoryController> controller_;
    QListWidget* table_;
};
