#include "ui/search/page/DeepLookupPagination.h"

void DeepLookupPagination::reset(quint64 resultsPerPage)
{
    totalMatchedFound_ = 0;
    paginationOffset_ = 0;
    resultsPerPage_ = resultsPerPage;
    pageOffsets_.clear();
}

void DeepLookupPagination::storePageOffset(qint64 lastResultDate)
{
    pageOffsets_.insert(QString::number(paginationOffset_), QString::number(lastResultDate));
}

std::optional<QString> DeepLookupPagination::getPageOffset() const
{
    if (paginationOffset_ == 0 || quint64(pageOffsets_.size()) < paginationOffset_) return std::nullopt;
    const auto it = pageOffsets_.constFind(QString::number(paginationOffset_ - 1));
    if (it == pageOffsets_.cend()) return std::nullopt;
    return *it;
}

QString DeepLookupPagination::offsetText() const
{
    return QString::number(paginationOffset_ * resultsPerPage_);
}

QString DeepLookupPagination::limitText() const
{
    return QString::number(resultsPerPage_);
}

bool DeepLookupPagination::previousPage()
{
    if (paginationOffset_ == 0) return false;
    --paginationOffset_;
    return true;
}
