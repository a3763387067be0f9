#pragma once

#include "search/DeepLookupContentParser.h"

#include <QString>

#include <memory>

// The search page as the DeepLookupController sees it. Every search the page
// starts ends with exactly one of the three calls. Every method is optional:
// the defaults do nothing. Held weakly: once destroyed it is no longer
// called.
class DeepLookupControllerDelegate
{
public:
    DeepLookupControllerDelegate();
    virtual ~DeepLookupControllerDelegate();
    DeepLookupControllerDelegate(const DeepLookupControllerDelegate&) = delete;
    DeepLookupControllerDelegate& operator=(const DeepLookupControllerDelegate&) = delete;

    virtual void searchResults(const DeepLookupContentParser::Result& result);
    // Also the failures of file-list and article-list requests, while no
    // search runs.
    virtual void searchFailed(const QString& title, const QString& subtitle);
    virtual void searchCancelled();

    std::weak_ptr<const void> lifetimeToken() const { return token_; }

private:
    std::shared_ptr<const void> token_;
};
