#include "controls/RowRefreshPoller.h"

#include <algorithm>

RowRefreshPoller::RowRefreshPoller(RowCheck rowChanged, Report report, QObject* parent)
    : QObject(parent), rowChanged_(std::move(rowChanged)), report_(std::move(report))
{
    timer_.setInterval(kIntervalMs);
    connect(&timer_, &QTimer::timeout, this, &RowRefreshPoller::look);
}

void RowRefreshPoller::setRange(int first, int last)
{
    first_ = first;
    last_ = last;
    if (last >= first) {
        if (!timer_.isActive()) timer_.start();
    } else {
        timer_.stop();
    }
}

void RowRefreshPoller::look()
{
    if (beforeEachLook_) beforeEachLook_();
    refreshRows(first_, last_, rowCount_ ? rowCount_() : last_ + 1);
}

void RowRefreshPoller::refreshRows(int first, int last, int rowCount)
{
    first = std::max(first, 0);
    last = std::min(last, rowCount - 1);
    int runStart = -1;
    auto flush = [&](int end) {
        if (runStart >= 0) {
            changedRowReports_ += end - runStart + 1;
            report_(runStart, end);
            runStart = -1;
        }
    };
    for (int r = first; r <= last; ++r) {
        if (rowChanged_(r)) {
            if (runStart < 0) runStart = r;
        } else {
            flush(r - 1);
        }
    }
    flush(last);
}
