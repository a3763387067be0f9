#pragma once

#include "queue/Queue.h"

#include <QList>
#include <QTreeView>

class OutlineViewSearchModel;

// The search result tree of the search page.
class OutlineViewSearch : public QTreeView
{
    Q_OBJECT
public:
    explicit OutlineViewSearch(QWidget* parent = nullptr);

    OutlineViewSearchModel* resultsModel() const { return model_; }
    void setResults(const QList<QueuePtr>& results);
    // Draws the item's row again from its current values.
    void reloadItem(const QueuePtr& item);

private:
    OutlineViewSearchModel* model_;
};
