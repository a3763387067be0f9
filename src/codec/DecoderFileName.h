#pragma once

#include <QByteArrayView>
#include <QString>

// File names found in article data (a yEnc "name=", a uuencode begin line, a
// MIME name attribute, a subject) are chosen by whoever posted the article.
// Before one becomes a file in the download folder it is reduced to one safe
// path component: only the part after the last "/", without NUL or other
// control characters, never "." or "..", and at most 255 bytes of UTF-8 (the
// extension kept when the name has to be cut).
class DecoderFileName
{
public:
    static constexpr int kMaxBytes = 255;

    // A name as bytes of article data, read as UTF-8 when they are valid
    // UTF-8, else as Latin-1. Empty when nothing usable remains.
    static QString fromArticleBytes(QByteArrayView raw);
    // The same reduction for a name that is already text. Empty when nothing
    // usable remains.
    static QString safeComponent(const QString& name);
};
