#pragma once

#include "queue/Queue.h"
#include "queue/Segment.h"

#include <QString>

// Download jobs as the queueing step leaves them: a root at 105 with its file
// parts at 1099 and their articles at 99, every counter filled in (articles
// and bytes left on parts and root, totals), parts and articles linked to the
// root. Message-ids are "<title.part.article@test>" so that a test can
// tell every article apart.
class DownloadJobBuilder
{
public:
    explicit DownloadJobBuilder(const QString& title) : title_(title) {}

    DownloadJobBuilder& parts(int count)
    {
        parts_ = count;
        return *this;
    }
    DownloadJobBuilder& articlesPerPart(int count)
    {
        articles_ = count;
        return *this;
    }
    DownloadJobBuilder& articleBytes(double bytes)
    {
        bytes_ = bytes;
        return *this;
    }
    // Without observers: for benchmarks and stress tests, where the reports
    // queued for the main thread would only pile up.
    DownloadJobBuilder& silent(bool value = true)
    {
        silent_ = value;
        return *this;
    }

    QueuePtr build() const;

private:
    QString title_;
    int parts_ = 1;
    int articles_ = 2;
    double bytes_ = 1000;
    bool silent_ = false;
};
