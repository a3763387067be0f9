#include "search/DeepLookupSocketDelegate.h"

DeepLookupSocketDelegate::DeepLookupSocketDelegate() : token_(std::make_shared<char>())
{}

DeepLookupSocketDelegate::~DeepLookupSocketDelegate() = default;

void DeepLookupSocketDelegate::searchResults(DeepLookupSocket&, const std::optional<QString>&)
{}

void DeepLookupSocketDelegate::childFilesQueryResults(DeepLookupSocket&, const std::optional<QString>&,
                                                      const QueuePtr&)
{}

void DeepLookupSocketDelegate::midsQueryResults(DeepLookupSocket&, const std::optional<QString>&)
{}

void DeepLookupSocketDelegate::nzbExportSearchResults(DeepLookupSocket&, const std::optional<QString>&,
                                                      const QueuePtr&)
{}

void DeepLookupSocketDelegate::searchFailed(DeepLookupSocket&, const QString&, const QString&,
                                            const QueuePtr&)
{}

void DeepLookupSocketDelegate::searchCancelledForObj(DeepLookupSocket&, const QueuePtr&)
{}

void DeepLookupSocketDelegate::watchdogSearchResults(DeepLookupSocket&, const std::optional<QString>&,
                                                     const std::shared_ptr<Watchdog>&)
{}
