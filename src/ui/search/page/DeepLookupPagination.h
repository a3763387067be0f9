#pragma once

#include <QHash>
#include <QString>

#include <optional>

// Where the search page is in the pages of one search. The service pages by
// date: page n asks for results up to the date of the last result of page
// n − 1, which is kept for each page seen (page index and date as decimal
// texts).
class DeepLookupPagination
{
public:
    // A new search: page 0, nothing matched or seen yet.
    void reset(quint64 resultsPerPage);

    quint64 paginationOffset() const { return paginationOffset_; }
    quint64 resultsPerPage() const { return resultsPerPage_; }
    quint64 totalMatchedFound() const { return totalMatchedFound_; }
    void setTotalMatchedFound(quint64 total) { totalMatchedFound_ = total; }
    const QHash<QString, QString>& pageOffsets() const { return pageOffsets_; }

    // The date of the last result of the page now shown.
    void storePageOffset(qint64 lastResultDate);
    // The date of the previous page's last result; none on page 0 or when
    // that page was never seen.
    std::optional<QString> getPageOffset() const;
    // The request's "offset" and "limit".
    QString offsetText() const;
    QString limitText() const;

    void nextPage() { ++paginationOffset_; }
    // False (and nothing changes) on page 0.
    bool previousPage();
    // Next stays possible once a reply matched at least a page, even on the
    // last page; Previous from page 1 on.
    bool canGoNext() const { return totalMatchedFound_ != 0 && totalMatchedFound_ >= resultsPerPage_; }
    bool canGoPrevious() const { return paginationOffset_ != 0; }

private:
    quint64 paginationOffset_ = 0;
    quint64 resultsPerPage_ = 1000;
    quint64 totalMatchedFound_ = 0;
    QHash<QString, QString> pageOffsets_;
};
