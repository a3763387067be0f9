#include "search/DeepLookupControllerDelegate.h"

DeepLookupControllerDelegate::DeepLookupControllerDelegate() : token_(std::make_shared<char>())
{}

DeepLookupControllerDelegate::~DeepLookupControllerDelegate() = default;

void DeepLookupControllerDelegate::searchResults(const DeepLookupContentParser::Result&)
{}

void DeepLookupControllerDelegate::searchFailed(const QString&, const QString&)
{}

void DeepLookupControllerDelegate::searchCancelled()
{}
