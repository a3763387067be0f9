#include "codec/ArticleLineReader.h"

#include "codec/NntpDotUnstuffer.h"

ArticleLineReader::ArticleLineReader(std::span<QByteArray> bodies, bool release)
    : bodies_(bodies), release_(release)
{}

bool ArticleLineReader::loadNextBody()
{
    while (nextBody_ < qsizetype(bodies_.size())) {
        QByteArray& body = bodies_[size_t(nextBody_++)];
        content_ = NntpDotUnstuffer::unstuff(body);
        if (release_) body = QByteArray();
        pos_ = 0;
        contentBytes_ += content_.size();
        if (!content_.isEmpty()) return true;
    }
    content_.clear();
    pos_ = 0;
    return false;
}

bool ArticleLineReader::next(QByteArrayView& line)
{
    carry_.clear();
    bool carrying = false;
    for (;;) {
        if (pos_ >= content_.size() && !loadNextBody()) {
            // The text ends without a line break: its last line still counts.
            if (carrying) {
                line = carry_;
                return true;
            }
            return false;
        }
        const qsizetype lf = content_.indexOf('\n', pos_);
        if (lf >= 0) {
            const QByteArrayView piece = QByteArrayView(content_).sliced(pos_, lf - pos_);
            pos_ = lf + 1;
            if (!carrying) {
                line = piece;
            } else {
                carry_.append(piece);
                line = carry_;
            }
            return true;
        }
        carry_.append(QByteArrayView(content_).sliced(pos_));
        carrying = true;
        pos_ = content_.size();
    }
}
