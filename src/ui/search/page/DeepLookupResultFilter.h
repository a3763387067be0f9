#pragma once

#include "queue/Queue.h"

#include <QList>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>

class DeepLookupController;
class OutlineViewSearch;

// Narrows the results the search page shows: by a text in their titles, or
// to the articles new since the previous visit of the same search. The full
// reply is kept aside while either is in force and comes back when both are
// lifted. Main thread.
class DeepLookupResultFilter
{
public:
    // `clearFilterField` empties the page's filter field without running a
    // filter again.
    DeepLookupResultFilter(OutlineViewSearch* tree, std::function<void()> clearFilterField);

    bool oldArticlesAreHidden() const { return oldArticlesAreHidden_; }
    void setOldArticlesAreHidden(bool hidden) { oldArticlesAreHidden_ = hidden; }
    const std::optional<QList<QueuePtr>>& dpcontentArrayCopy() const { return dpcontentArrayCopy_; }

    // The filter field's text changed: filters, or restores for an empty text.
    void controlTextDidChange(const QString& text);
    void filterResults(const QString& text);
    void resetFilterResults();
    // Empties the filter field and forgets the saved list (without showing
    // it again).
    void clearPredicateResults();
    void hideOldArticles();
    void showOldArticles();

private:
    DeepLookupController* controller() const;
    void show(const QList<QueuePtr>& results);

    OutlineViewSearch* tree_;
    std::function<void()> clearFilterField_;
    std::optional<QList<QueuePtr>> dpcontentArrayCopy_;
    bool oldArticlesAreHidden_ = false;
};
