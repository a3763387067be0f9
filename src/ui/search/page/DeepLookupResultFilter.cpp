#include "ui/search/page/DeepLookupResultFilter.h"

#include "search/DeepLookupController.h"
#include "ui/search/page/OutlineViewSearch.h"

DeepLookupResultFilter::DeepLookupResultFilter(OutlineViewSearch* tree, std::function<void()> clearFilterField)
    : tree_(tree), clearFilterField_(std::move(clearFilterField))
{}

DeepLookupController* DeepLookupResultFilter::controller() const
{
    return tree_->deepLookupController();
}

void DeepLookupResultFilter::show(const QList<QueuePtr>& results)
{
    if (DeepLookupController* c = controller()) c->setDpcontentArray(results);
    tree_->sortData();
}

void DeepLookupResultFilter::controlTextDidChange(const QString& text)
{
    if (text.isEmpty())
        resetFilterResults();
    else
        filterResults(text);
}

void DeepLookupResultFilter::filterResults(const QString& text)
{
    DeepLookupController* c = controller();
    if (!c) return;
    if (!dpcontentArrayCopy_) dpcontentArrayCopy_ = c->dpcontentArray();
    QList<QueuePtr> shown;
    for (const QueuePtr& item : *dpcontentArrayCopy_)
        if (item->title().contains(text, Qt::CaseInsensitive)) shown << item;
    show(shown);
    oldArticlesAreHidden_ = false;
}

void DeepLookupResultFilter::resetFilterResults()
{
    if (!dpcontentArrayCopy_) return;
    show(*dpcontentArrayCopy_);
    clearPredicateResults();
    oldArticlesAreHidden_ = false;
}

void DeepLookupResultFilter::clearPredicateResults()
{
    if (clearFilterField_) clearFilterField_();
    dpcontentArrayCopy_.reset();
}

// A title filter in force is lifted first, with the whole reply shown again,
// so that the new articles are taken from all results and showing old
// articles later brings back the whole reply, not the filtered part.
void DeepLookupResultFilter::hideOldArticles()
{
    DeepLookupController* c = controller();
    if (!c) return;
    if (dpcontentArrayCopy_) c->setDpcontentArray(*dpcontentArrayCopy_);
    clearPredicateResults();
    dpcontentArrayCopy_ = c->dpcontentArray();
    QList<QueuePtr> shown;
    for (const QueuePtr& item : *dpcontentArrayCopy_)
        if (item->isNew()) shown << item;
    show(shown);
    oldArticlesAreHidden_ = true;
}

void DeepLookupResultFilter::showOldArticles()
{
    if (dpcontentArrayCopy_) {
        show(*dpcontentArrayCopy_);
        clearPredicateResults();
    }
    oldArticlesAreHidden_ = false;
}
