#include "ui/search/OutlineViewSearch.h"

#include "ui/search/OutlineViewSearchModel.h"

OutlineViewSearch::OutlineViewSearch(QWidget* parent)
    : QTreeView(parent), model_(new OutlineViewSearchModel(this))
{
    setModel(model_);
    setRootIsDecorated(false);
}

void OutlineViewSearch::setResults(const QList<QueuePtr>& results)
{
    model_->setResults(results);
}

void OutlineViewSearch::reloadItem(const QueuePtr& item)
{
    model_->reloadItem(item);
}
