#pragma once

#include <QByteArray>
#include <QByteArrayView>

// Undoes the NNTP transfer form of an article body (RFC 3977, 3.1.1): a line
// that begins with a dot was sent with the dot doubled, and the body ends
// with a line of a single dot. Lines end at CR LF.
class NntpDotUnstuffer
{
public:
    // The body's content: the first dot of every line that begins with one
    // removed, and the terminating line (and anything after it) cut off.
    // `terminated` tells whether a terminating line was found. A body cut
    // short before its terminating line gives what it has.
    static QByteArray unstuff(QByteArrayView body, bool* terminated = nullptr);
};
