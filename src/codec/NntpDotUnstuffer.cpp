#include "codec/NntpDotUnstuffer.h"

namespace {

// At a line start holding a dot: is this the terminating line? A "." line
// that lost its line break at the end of the body counts as one.
bool isTerminator(QByteArrayView body, qsizetype dot)
{
    const qsizetype rest = body.size() - dot - 1;
    if (rest == 0) return true;
    if (body[dot + 1] != '\r') return false;
    return rest == 1 || body[dot + 2] == '\n';
}

} // namespace

QByteArray NntpDotUnstuffer::unstuff(QByteArrayView body, bool* terminated)
{
    QByteArray out;
    out.reserve(body.size());
    bool ended = false;
    qsizetype pos = 0;
    if (!body.isEmpty() && body[0] == '.') {
        if (isTerminator(body, 0)) {
            ended = true;
            pos = body.size();
        } else {
            pos = 1;
        }
    }
    while (pos < body.size()) {
        const qsizetype k = body.indexOf(QByteArrayView("\r\n.", 3), pos);
        if (k < 0) {
            out.append(body.sliced(pos));
            break;
        }
        out.append(body.sliced(pos, k + 2 - pos));
        if (isTerminator(body, k + 2)) {
            ended = true;
            break;
        }
        pos = k + 3;
    }
    if (terminated) *terminated = ended;
    return out;
}
