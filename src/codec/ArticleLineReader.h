#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <span>

// The lines of a file part's text: the bodies' contents (dot-stuffing undone,
// terminating lines removed) taken as one text and split at LF. A line cut by
// the end of one body goes on in the next.
class ArticleLineReader
{
public:
    // With `release`, each body is cleared once its lines have been read.
    explicit ArticleLineReader(std::span<QByteArray> bodies, bool release = false);

    // The next line, without its LF (a CR before the LF stays); false after
    // the last. The view is valid until the next call.
    bool next(QByteArrayView& line);

    // Bytes of content read so far, line ends included.
    qint64 contentBytes() const { return contentBytes_; }
    // Bodies taken up so far.
    qsizetype bodiesRead() const { return nextBody_; }

private:
    bool loadNextBody();

    std::span<QByteArray> bodies_;
    bool release_;
    qsizetype nextBody_ = 0;
    QByteArray content_;
    qsizetype pos_ = 0;
    QByteArray carry_;
    qint64 contentBytes_ = 0;
};
