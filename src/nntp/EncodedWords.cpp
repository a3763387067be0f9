#include "nntp/EncodedWords.h"

#include <QList>
#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>
#include <optional>

namespace {

// "=?UTF-8?Q?" and "?=" around the encoded text.
constexpr int kWordOverhead = 12;
// The longest word of one character (4 bytes, Q-encoded).
constexpr int kLongestOneCharacterWord = kWordOverhead + 12;

enum class Encoding { Q, B };

bool isPlainAscii(const QString& text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

// The characters a Q-encoded word may carry as they are wherever it stands,
// in free text, in a comment or in a phrase.
bool isQLiteral(uchar b)
{
    return (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || b == '!' || b == '*' ||
           b == '+' || b == '-' || b == '/';
}

int qLength(uchar b)
{
    return isQLiteral(b) || b == ' ' ? 1 : 3;
}

int bLength(qsizetype bytes)
{
    return int(4 * ((bytes + 2) / 3));
}

int encodedLength(const QByteArray& utf8, Encoding encoding)
{
    if (encoding == Encoding::B) return bLength(utf8.size());
    int n = 0;
    for (const char c : utf8)
        n += qLength(uchar(c));
    return n;
}

QByteArray encodeWord(const QByteArray& utf8, Encoding encoding)
{
    QByteArray word = encoding == Encoding::Q ? QByteArrayLiteral("=?UTF-8?Q?") : QByteArrayLiteral("=?UTF-8?B?");
    if (encoding == Encoding::B) {
        word += utf8.toBase64();
    } else {
        static const char kHex[] = "0123456789ABCDEF";
        for (const char c : utf8) {
            const uchar b = uchar(c);
            if (isQLiteral(b)) {
                word += char(b);
            } else if (b == ' ') {
                word += '_';
            } else {
                word += '=';
                word += kHex[b >> 4];
                word += kHex[b & 0x0F];
            }
        }
    }
    word += "?=";
    return word;
}

// UTF-16 units of the character at `at`: two for a surrogate pair.
qsizetype characterLength(const QString& text, qsizetype at)
{
    return text[at].isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate() ? 2 : 1;
}

// One word of a header value, or a run of words that goes out encoded, with
// the blanks that stood before it in the value (none: it is joined to what
// precedes it, and the line cannot be folded there).
struct Piece
{
    QString space;
    QString text;
    bool encode = false;
};

// Where a word stands decides which plain ASCII words must be encoded too.
enum class Context {
    Text,   // free text: only words that a reader would take for encoded-words
    Phrase, // a display name before an address: words with the address specials
};

bool needsEncoding(const QString& word, Context context)
{
    if (!isPlainAscii(word) || word.contains(QLatin1String("=?"))) return true;
    // A word longer than a line could not be folded; encoded it can be split.
    if (word.size() > EncodedWords::kPreferredLineLength - 1) return true;
    if (context == Context::Phrase) {
        static const QString kSpecials = QStringLiteral("()<>[]:;@\\,.\"");
        return std::any_of(word.begin(), word.end(), [](QChar c) { return kSpecials.contains(c); });
    }
    return false;
}

// `value` cut at its blanks; neighbouring words that need encoding become one
// run, so that the blanks between them are encoded with them (a reader drops
// the white space between two encoded-words).
QList<Piece> piecesOf(const QString& value, Context context)
{
    QList<Piece> words;
    qsizetype at = 0;
    while (at < value.size()) {
        Piece p;
        while (at < value.size() && value[at] == QLatin1Char(' '))
            p.space += value[at++];
        while (at < value.size() && value[at] != QLatin1Char(' '))
            p.text += value[at++];
        if (p.text.isEmpty() && !words.isEmpty()) {
            words.last().text += p.space; // blanks at the end stay with the last word
            continue;
        }
        words.append(p);
    }
    QList<Piece> pieces;
    for (Piece& w : words) {
        w.encode = needsEncoding(w.text, context);
        if (w.encode && !pieces.isEmpty() && pieces.last().encode) {
            pieces.last().text += w.space + w.text;
        } else {
            pieces.append(w);
        }
    }
    return pieces;
}

// One header line in the making, folded at blanks.
class FoldedLine
{
public:
    explicit FoldedLine(QLatin1String name) : out_(QByteArray(name.data(), name.size()) + ": ")
    {
        column_ = int(out_.size());
    }

    // `reserve`: characters that will follow on the same line, unfoldable.
    void literal(const QString& space, const QString& text, int reserve = 0)
    {
        const int need = int(space.size() + text.size()) + reserve;
        if (canFoldBefore(space) && column_ + need > EncodedWords::kPreferredLineLength) fold();
        put(space.toLatin1() + text.toLatin1());
    }

    void encoded(const QString& space, const QString& text, int reserve = 0)
    {
        const QByteArray utf8 = text.toUtf8();
        const Encoding encoding =
            encodedLength(utf8, Encoding::Q) <= encodedLength(utf8, Encoding::B) ? Encoding::Q : Encoding::B;
        QString separator = space;
        qsizetype i = 0;
        while (i < text.size()) {
            const QByteArray rest = text.mid(i).toUtf8();
            int room = EncodedWords::kPreferredLineLength - column_ - int(separator.size()) - reserve;
            // Folding first gives the word a line of its own when the rest
            // would not fit where the line stands.
            if (canFoldBefore(separator) && kWordOverhead + encodedLength(rest, encoding) > room &&
                room < EncodedWords::kMaxWordLength) {
                fold();
                room = EncodedWords::kPreferredLineLength - int(separator.size()) - reserve;
            }
            const int limit = std::min(EncodedWords::kMaxWordLength, room);
            // Whole characters only, at least one per word (a character is
            // at most 4 bytes: 24 characters encoded, within any line).
            QByteArray chunk;
            qsizetype j = i;
            while (j < text.size()) {
                const qsizetype length = characterLength(text, j);
                const QByteArray next = chunk + text.mid(j, length).toUtf8();
                if (j > i && kWordOverhead + encodedLength(next, encoding) > limit) break;
                chunk = next;
                j += length;
            }
            put(separator.toLatin1() + encodeWord(chunk, encoding));
            separator = QStringLiteral(" ");
            i = j;
        }
    }

    QByteArray finish() const { return out_ + "\r\n"; }

private:
    // Never before the first word of a line: a line of blanks only would
    // be the end of the headers.
    bool canFoldBefore(const QString& space) const { return !space.isEmpty() && !lineStart_; }
    void fold()
    {
        out_ += "\r\n";
        column_ = 0;
        lineStart_ = true;
    }
    void put(const QByteArray& bytes)
    {
        out_ += bytes;
        column_ += int(bytes.size());
        lineStart_ = false;
    }

    QByteArray out_;
    int column_ = 0;
    bool lineStart_ = true;
};

void addPieces(FoldedLine& line, const QList<Piece>& pieces, int reserve = 0)
{
    for (const Piece& p : pieces) {
        if (p.encode)
            line.encoded(p.space, p.text, reserve);
        else
            line.literal(p.space, p.text, reserve);
    }
}

bool fitsAsItIs(QLatin1String name, const QString& value)
{
    return isPlainAscii(value) && name.size() + 2 + value.size() <= EncodedWords::kMaxLineLength;
}

QByteArray asItIs(QLatin1String name, const QString& value)
{
    return QByteArray(name.data(), name.size()) + ": " + value.toLatin1() + "\r\n";
}

int hexValue(uchar c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::optional<QByteArray> decodePayload(QChar encoding, const QString& payload)
{
    const QByteArray text = payload.toLatin1();
    if (encoding.toUpper() == QLatin1Char('B')) {
        QByteArray padded = text;
        while (padded.size() % 4 != 0)
            padded += '=';
        const QByteArray::FromBase64Result r =
            QByteArray::fromBase64Encoding(padded, QByteArray::AbortOnBase64DecodingErrors);
        if (!r) return std::nullopt;
        return r.decoded;
    }
    QByteArray out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '_') {
            out += ' ';
        } else if (c == '=') {
            const int high = i + 2 < text.size() ? hexValue(uchar(text[i + 1])) : -1;
            const int low = i + 2 < text.size() ? hexValue(uchar(text[i + 2])) : -1;
            if (high < 0 || low < 0) return std::nullopt;
            out += char(high * 16 + low);
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

// The text of `bytes` in `charset` (lower case, language suffix removed);
// nothing for a character set this program does not read.
std::optional<QString> textIn(const QString& charset, const QByteArray& bytes)
{
    if (charset == QLatin1String("utf-8") || charset == QLatin1String("utf8")) return QString::fromUtf8(bytes);
    if (charset == QLatin1String("us-ascii") || charset == QLatin1String("iso-8859-1") ||
        charset == QLatin1String("latin1"))
        return QString::fromLatin1(bytes);
    QStringDecoder decoder(charset.toLatin1().constData());
    if (!decoder.isValid()) return std::nullopt;
    return QString(decoder.decode(bytes));
}

} // namespace

QByteArray EncodedWords::unstructuredHeader(QLatin1String name, const QString& value)
{
    if (fitsAsItIs(name, value)) return asItIs(name, value);
    FoldedLine line(name);
    addPieces(line, piecesOf(value, Context::Text));
    return line.finish();
}

QByteArray EncodedWords::fromHeader(const QString& poster)
{
    const QLatin1String name("From");
    if (fitsAsItIs(name, poster)) return asItIs(name, poster);

    // "address (name)", as the compose window writes it.
    static const QRegularExpression withComment(QStringLiteral("^(\\S+)( +)\\((.*)\\)$"));
    if (const QRegularExpressionMatch m = withComment.match(poster); m.hasMatch() && isPlainAscii(m.captured(1))) {
        QList<Piece> inner = piecesOf(m.captured(3), Context::Text);
        // A comment ends at its first ")": one that is not encoded must be.
        for (Piece& p : inner)
            if (p.text.contains(QLatin1Char('(')) || p.text.contains(QLatin1Char(')')) ||
                p.text.contains(QLatin1Char('\\')))
                p.encode = true;
        FoldedLine line(name);
        line.literal(QString(), m.captured(1));
        // The opening parenthesis goes to the next line with the first word
        // when that would not fit after it.
        line.literal(m.captured(2), QStringLiteral("("), kLongestOneCharacterWord);
        addPieces(line, inner, 1);
        line.literal(QString(), QStringLiteral(")"));
        return line.finish();
    }

    // "name <address>". A quoted name is unquoted: an encoded-word inside
    // quotes is not decoded by readers.
    static const QRegularExpression withAddress(QStringLiteral("^(.*?)( *)<([^<>\\s]+)>$"));
    if (const QRegularExpressionMatch m = withAddress.match(poster); m.hasMatch() && isPlainAscii(m.captured(3))) {
        QString display = m.captured(1);
        if (display.size() >= 2 && display.startsWith(QLatin1Char('"')) && display.endsWith(QLatin1Char('"'))) {
            display = display.mid(1, display.size() - 2);
            display.replace(QLatin1String("\\\""), QLatin1String("\""));
            display.replace(QLatin1String("\\\\"), QLatin1String("\\"));
        }
        FoldedLine line(name);
        addPieces(line, piecesOf(display, Context::Phrase));
        const QString address = QLatin1Char('<') + m.captured(3) + QLatin1Char('>');
        line.literal(display.isEmpty() ? QString() : (m.captured(2).isEmpty() ? QStringLiteral(" ") : m.captured(2)),
                     address);
        return line.finish();
    }

    FoldedLine line(name);
    addPieces(line, piecesOf(poster, Context::Text));
    return line.finish();
}

QString EncodedWords::decode(const QString& text)
{
    static const QRegularExpression folding(QStringLiteral("\r?\n(?=[ \t])"));
    static const QRegularExpression word(QStringLiteral("=\\?([^?\\s]+)\\?([BbQq])\\?([^?\\s]*)\\?="));
    QString unfolded = text;
    unfolded.remove(folding);

    QString out;
    // Neighbouring words in one character set are decoded together: a
    // character may have been cut between two of them.
    QByteArray pending;
    QString pendingCharset;
    const auto flush = [&] {
        if (!pending.isEmpty()) out += textIn(pendingCharset, pending).value_or(QString());
        pending.clear();
        pendingCharset.clear();
    };
    bool afterWord = false;
    qsizetype at = 0;
    for (QRegularExpressionMatchIterator it = word.globalMatch(unfolded); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const QString between = unfolded.mid(at, m.capturedStart() - at);
        at = m.capturedEnd();
        // White space between two encoded-words is not part of the text.
        const bool onlyBlanks = std::all_of(between.begin(), between.end(), [](QChar c) {
            return c == QLatin1Char(' ') || c == QLatin1Char('\t');
        });
        if (!(afterWord && onlyBlanks)) {
            flush();
            out += between;
        }
        QString charset = m.captured(1).toLower();
        if (const qsizetype star = charset.indexOf(QLatin1Char('*')); star >= 0) charset.truncate(star);
        const std::optional<QByteArray> bytes = decodePayload(m.captured(2).at(0), m.captured(3));
        if (!bytes || !textIn(charset, QByteArray())) {
            flush();
            out += m.captured(0);
            afterWord = false;
            continue;
        }
        if (charset != pendingCharset) flush();
        pending += *bytes;
        pendingCharset = charset;
        afterWord = true;
    }
    flush();
    out += unfolded.mid(at);
    return out;
}
