#pragma once

#include <QByteArray>
#include <QLatin1String>
#include <QString>

// Header values beyond plain ASCII, as news servers and readers take them:
// MIME encoded-words ("=?UTF-8?Q?...?=" or "=?UTF-8?B?...?="), in header
// lines folded at white space. A strict server refuses raw 8-bit bytes in a
// header (it cannot know their character set), and every reader decodes
// encoded-words.
//
// A value in plain ASCII goes out exactly as it is, as long as its line is
// within the hard limit of 998 characters. Any other value keeps its ASCII
// words readable and turns each run of words holding other characters into
// encoded-words of at most 75 characters, in UTF-8, by whichever of the two
// encodings is shorter. Lines are folded only at white space, to 78
// characters where the words allow it.
class EncodedWords
{
public:
    static constexpr int kMaxWordLength = 75;
    static constexpr int kPreferredLineLength = 78;
    static constexpr int kMaxLineLength = 998;

    // "<name>: <value>" and CR LF, for a header of free text (Subject).
    static QByteArray unstructuredHeader(QLatin1String name, const QString& value);

    // The From header. The poster text is "address (name)" or
    // "name <address>": the name is encoded where it needs to be (as a
    // comment or as a phrase, both places that allow encoded-words), the
    // address is left as it is. Any other text is taken as free text.
    static QByteArray fromHeader(const QString& poster);

    // `text` (a header value, folded or not) with its encoded-words decoded.
    // A word in a character set this program cannot read, or whose encoding
    // is broken, stays as it is.
    static QString decode(const QString& text);
};
