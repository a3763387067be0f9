#include "support/DownloadJobBuilder.h"
#include "queue/StatusCodes.h"

QueuePtr DownloadJobBuilder::build() const
{
    const auto make = [this] { return silent_ ? Queue::createWhithoutStartingObservers() : Queue::create(); };
    const QueuePtr root = make();
    root->setIsNZB(true);
    root->setTitle(title_);
    root->setTotalfiles(parts_);
    QList<QueuePtr> fileparts;
    fileparts.reserve(parts_);
    for (int p = 0; p < parts_; ++p) {
        const QueuePtr part = make();
        part->setIsFilepart(true);
        part->setQueue(root);
        part->setTitle(QStringLiteral("%1.%2").arg(title_).arg(p + 1));
        QList<SegmentPtr> segments;
        segments.reserve(articles_);
        for (int a = 0; a < articles_; ++a) {
            const SegmentPtr s = Segment::create();
            s->setQueue(root);
            s->setFilepart(part);
            s->setSegnr(a + 1);
            s->setSegtotal(articles_);
            s->setBytes(bytes_);
            s->setMid(QStringLiteral("<%1.%2.%3@test>").arg(title_).arg(p + 1).arg(a + 1));
            s->setStatus(ArticleStatus::Queued);
            segments.append(s);
        }
        part->setSegments(segments);
        part->setTotalSegments(articles_);
        part->setTotalSegmentsLeftToDownload(articles_);
        part->setBytes(bytes_ * articles_);
        part->setTotalBytesLeft(bytes_ * articles_);
        part->setStatus(FilePartStatus::Queued);
        fileparts.append(part);
    }
    root->setFileparts(fileparts);
    const qint64 total = qint64(parts_) * articles_;
    root->setTotalSegments(total);
    root->setTotalSegmentsLeftToDownload(total);
    root->setBytes(bytes_ * double(total));
    root->setTotalBytesLeft(bytes_ * double(total));
    root->setStatus(JobStatus::QueuedForDownload);
    return root;
}
