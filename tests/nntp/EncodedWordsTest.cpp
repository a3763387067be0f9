// Header values beyond ASCII as encoded-words: the exact bytes, the line
// and word limits, and what an independent reader (Python's email package)
// makes of them.

#include "nntp/EncodedWords.h"

#include "support/PythonHeaderDecoder.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

enum class Kind { Subject, From };

struct HeaderCase
{
    const char* name;
    Kind kind;
    const char* value; // UTF-8
    const char* bytes;             // the whole header line(s)
    const char* decoded = nullptr; // what a reader shows, when not the value
};

QString decodedOf(const HeaderCase& c)
{
    return QString::fromUtf8(c.decoded ? c.decoded : c.value);
}

QByteArray lineFor(const HeaderCase& c)
{
    const QString value = QString::fromUtf8(c.value);
    return c.kind == Kind::Subject ? EncodedWords::unstructuredHeader(QLatin1String("Subject"), value)
                                   : EncodedWords::fromHeader(value);
}

const HeaderCase kCases[] = {
    // Plain ASCII goes out as it always did.
    {"ascii", Kind::Subject, "Hello, world (1/2) =?not-a-word", "Subject: Hello, world (1/2) =?not-a-word\r\n"},
    {"ascii from", Kind::From, "ann@example.com (Ann Lee)", "From: ann@example.com (Ann Lee)\r\n"},
    // Letters of the Latin-1 range: the ASCII word between stays readable;
    // the blank inside a run is encoded with it.
    {"latin-1", Kind::Subject, "Gr\u00fc\u00dfe aus K\u00f6ln \u20ac",
     "Subject: =?UTF-8?B?R3LDvMOfZQ==?= aus =?UTF-8?B?S8O2bG4g4oKs?=\r\n"},
    // Mostly ASCII letters: the Q form is the shorter one.
    {"quoted-printable", Kind::Subject, "Schlu\u00dfverkauf heute",
     "Subject: =?UTF-8?Q?Schlu=C3=9Fverkauf?= heute\r\n"},
    // Beyond Latin-1, up to four bytes a character.
    {"beyond latin-1", Kind::Subject, "\u2713 done \U0001F600",
     "Subject: =?UTF-8?B?4pyT?= done =?UTF-8?B?8J+YgA==?=\r\n"},
    // The subject of a file article: the quote goes into the encoded run,
    // so no encoded-word touches a quote character.
    {"file subject", Kind::Subject, "Holiday - \"\u00dcn\u00efcode \u2713 file.bin\" yEnc (1/1)",
     "Subject: Holiday - =?UTF-8?B?IsOcbsOvY29kZSDinJM=?= file.bin\" yEnc (1/1)\r\n"},
    // The compose window's "address (name)": the name is a comment.
    {"from comment", Kind::From, "ann@example.com (J\u00fcrgen M\u00fcller)",
     "From: ann@example.com (=?UTF-8?B?SsO8cmdlbiBNw7xsbGVy?=)\r\n"},
    // "name <address>": the name is a phrase; a quoted one is unquoted
    // (an encoded-word in quotes is not decoded), its comma encoded.
    {"from phrase", Kind::From, "J\u00fcrgen M\u00fcller <j@example.com>",
     "From: =?UTF-8?B?SsO8cmdlbiBNw7xsbGVy?= <j@example.com>\r\n"},
    {"from quoted phrase", Kind::From, "\"M\u00fcller, J\u00fcrgen\" <j@example.com>",
     "From: =?UTF-8?B?TcO8bGxlciwgSsO8cmdlbg==?= <j@example.com>\r\n",
     "M\u00fcller, J\u00fcrgen <j@example.com>"},
    // A long subject: folded at blanks, each line within 78 characters.
    {"long subject", Kind::Subject,
     "Sommerfest 2026 \u2013 Bilder und Videos aus M\u00fcnchen, K\u00f6ln und D\u00fcsseldorf; "
     "alle Gr\u00f6\u00dfen, St\u00fcck f\u00fcr St\u00fcck \u2713 \u65e5\u672c\u8a9e\u306e\u5199\u771f"
     "\u3068\u52d5\u753b\u3092\u305f\u304f\u3055\u3093\u3001\u305c\u3072\u3054\u89a7\u304f\u3060\u3055\u3044",
     "Subject: Sommerfest 2026 =?UTF-8?B?4oCT?= Bilder und Videos aus\r\n"
     " =?UTF-8?B?TcO8bmNoZW4sIEvDtmxu?= und =?UTF-8?B?RMO8c3NlbGRvcmY7?= alle\r\n"
     " =?UTF-8?B?R3LDtsOfZW4sIFN0w7xjayBmw7xyIFN0w7xjayDinJMg5pel5pys6Kqe44Gu?=\r\n"
     " =?UTF-8?B?5YaZ55yf44Go5YuV55S744KS44Gf44GP44GV44KT44CB44Gc44Gy44GU6Kan?=\r\n"
     " =?UTF-8?B?44GP44Gg44GV44GE?=\r\n"},
};

} // namespace

TEST(EncodedWords, HeaderLinesGoldenBytes)
{
    static const QRegularExpression word(QStringLiteral("=\\?[^?]+\\?[BQ]\\?[^?]*\\?="));
    for (const HeaderCase& c : kCases) {
        SCOPED_TRACE(c.name);
        const QByteArray line = lineFor(c);
        EXPECT_EQ(line, QByteArray(c.bytes)) << line.toStdString();
        for (const QByteArray& physical : line.chopped(2).split('\n')) {
            const QByteArray text = physical.endsWith('\r') ? physical.chopped(1) : physical;
            EXPECT_LE(text.size(), EncodedWords::kPreferredLineLength) << text.toStdString();
            EXPECT_FALSE(text.trimmed().isEmpty());
            for (char ch : text)
                EXPECT_TRUE(uchar(ch) >= 0x20 && uchar(ch) < 0x7F) << text.toStdString();
        }
        for (auto it = word.globalMatch(QString::fromLatin1(line)); it.hasNext();)
            EXPECT_LE(it.next().capturedLength(), EncodedWords::kMaxWordLength);
    }
}

TEST(EncodedWords, AnIndependentReaderDecodesWhatWasTyped)
{
    QList<QByteArray> values;
    for (const HeaderCase& c : kCases) {
        const QByteArray line = lineFor(c);
        values.append(line.mid(line.indexOf(':') + 1));
    }
    QString error;
    const std::optional<QStringList> decoded = PythonHeaderDecoder::decode(values, &error);
    ASSERT_TRUE(decoded) << error.toStdString();
    for (qsizetype i = 0; i < values.size(); ++i) {
        SCOPED_TRACE(kCases[i].name);
        EXPECT_EQ((*decoded)[i], decodedOf(kCases[i]));
        // Our own reader, which the downloader uses for subjects, agrees.
        EXPECT_EQ(EncodedWords::decode(QString::fromLatin1(values[i]).trimmed()), decodedOf(kCases[i]));
    }
}

TEST(EncodedWords, AValueBeyondTheHardLineLimitIsFoldedEvenInAscii)
{
    QString value;
    for (int i = 0; i < 200; ++i)
        value += QStringLiteral("word%1 ").arg(i);
    value.chop(1);
    const QByteArray line = EncodedWords::unstructuredHeader(QLatin1String("Subject"), value);
    EXPECT_GT(line.count("\r\n"), 10);
    for (const QByteArray& physical : line.split('\n'))
        EXPECT_LE(physical.size(), EncodedWords::kPreferredLineLength + 1);
    EXPECT_EQ(EncodedWords::decode(QString::fromLatin1(line.mid(9)).trimmed()), value);
    EXPECT_FALSE(line.contains("=?")) << "plain words are folded, not encoded";
}

TEST(EncodedWords, Decoding)
{
    const struct
    {
        const char* in;
        const char* out;
    } cases[] = {
        {"plain (1/2) \"a.rar\"", "plain (1/2) \"a.rar\""},
        // Blanks between two encoded-words are not text; other text stays.
        {"=?UTF-8?Q?a?= =?UTF-8?Q?b?=", "ab"},
        {"x =?UTF-8?Q?a_b?= y", "x a b y"},
        {"=?UTF-8?Q?a?=\r\n =?UTF-8?Q?b?=", "ab"},
        {"=?iso-8859-1?q?caf=E9?=", "caf\u00e9"},
        {"=?UTF-8?b?w6k=?=", "\u00e9"},
        {"=?UTF-8?B?w6k?=", "\u00e9"}, // padding left out
        // A character cut between two words is joined again.
        {"=?UTF-8?B?ww==?= =?UTF-8?B?qQ==?=", "\u00e9"},
        {"=?UTF-8*de?Q?Gr=C3=BC=C3=9Fe?=", "Gr\u00fc\u00dfe"},
        // What cannot be read stays as it came.
        {"=?x-unknown?Q?a?= b", "=?x-unknown?Q?a?= b"},
        {"=?UTF-8?Q?a=Z1?= b", "=?UTF-8?Q?a=Z1?= b"},
        {"=?UTF-8?B?%%%%?=", "=?UTF-8?B?%%%%?="},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EncodedWords::decode(QString::fromUtf8(c.in)), QString::fromUtf8(c.out)) << c.in;
}
