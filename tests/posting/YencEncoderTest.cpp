#include "posting/Yenc.h"
#include "posting/YencBodyEncoder.h"

#include "support/MessageCapture.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <zlib.h>

namespace {

using Path = YencBodyEncoder::Path;

QByteArray randomBytes(qsizetype n, QRandomGenerator& rng)
{
    QByteArray b(n, Qt::Uninitialized);
    for (qsizetype i = 0; i < n; ++i)
        b[i] = char(rng.generate() & 0xFF);
    return b;
}

// Raw bytes that become the critical characters NUL, TAB, LF, CR, space,
// "." and "=" once shifted by 42.
const QByteArray kCritical = QByteArray::fromHex("d6dfe0e3f60413");

// The body as the format describes it, written independently of the
// encoder: after each byte, k is the count of characters the line held
// before the last character written ("=" of an escape counted); the line
// ends when k reaches 127 or at the last byte.
QByteArray referenceBody(const QByteArray& raw)
{
    QByteArray out, line;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const uint8_t b = uint8_t(raw[i]);
        const uint8_t c = uint8_t(b + 42);
        if (c == 0x00 || c == 0x09 || c == 0x0A || c == 0x0D || c == 0x20 || c == 0x2E || c == 0x3D) {
            line += '=';
            line += char(uint8_t(b + 106));
        } else {
            line += char(c);
        }
        const qsizetype k = line.size() - 1;
        if (i == raw.size() - 1 || k >= 127) {
            out += line + "\r\n";
            line.clear();
        }
    }
    return out;
}

QByteArray encodeBody(Path path, const QByteArray& raw, int startColumn = 0,
                      QRandomGenerator* pieces = nullptr)
{
    QByteArray out(qsizetype(YencBodyEncoder::maxEncodedSize(size_t(raw.size()))), Qt::Uninitialized);
    auto* o = reinterpret_cast<uint8_t*>(out.data());
    const auto* in = reinterpret_cast<const uint8_t*>(raw.constData());
    int column = startColumn;
    size_t at = 0, written = 0;
    while (at < size_t(raw.size())) {
        size_t step = size_t(raw.size()) - at;
        if (pieces) step = std::min<size_t>(step, 1 + pieces->bounded(700));
        written += YencBodyEncoder::encode(path, in + at, step, o + written, column);
        at += step;
    }
    written += YencBodyEncoder::finish(o + written, column);
    out.resize(qsizetype(written));
    return out;
}

quint32 zcrc(const QByteArray& b)
{
    return quint32(crc32(0, reinterpret_cast<const Bytef*>(b.constData()), uInt(b.size())));
}

YencPart singlePart(const QByteArray& data, const QString& name)
{
    YencPart p;
    p.bytes = data.size();
    p.fileBytes = data.size();
    p.filename = name;
    return p;
}

QString hex8(quint32 v)
{
    return QStringLiteral("%1").arg(v, 8, 16, QLatin1Char('0'));
}

} // namespace

TEST(YencGolden, SinglePartArticle)
{
    const auto abc = Yenc::encodeSegment(singlePart("abc", "abc.txt"), "abc");
    ASSERT_TRUE(abc);
    EXPECT_EQ(abc->body, QByteArray("=ybegin line=128 size=3 name=abc.txt\r\n"
                                    "\x8b\x8c\x8d\r\n"
                                    "=yend size=3 crc32=352441c2 \r\n"));
    EXPECT_EQ(abc->pcrc32, 0x352441c2u);

    // Every critical byte, escaped: NUL, TAB, LF, CR, space, "." and "=".
    const auto critical = Yenc::encodeSegment(singlePart(kCritical, "c"), kCritical);
    ASSERT_TRUE(critical);
    EXPECT_EQ(critical->body, QByteArray("=ybegin line=128 size=7 name=c\r\n"
                                         "=@=I=J=M=`=n=}\r\n"
                                         "=yend size=7 crc32=") +
                                  hex8(zcrc(kCritical)).toLatin1() + " \r\n");

    const auto empty = Yenc::encodeSegment(singlePart(QByteArray(""), "e"), QByteArray(""));
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->body, QByteArray("=ybegin line=128 size=0 name=e\r\n=yend size=0 crc32=00000000 \r\n"));
}

TEST(YencGolden, LineEnds)
{
    const QByteArray plain(300, 'A'); // 'A' + 42 = 'k'
    struct Case
    {
        const char* what;
        QByteArray raw;
        QByteArray body;
    };
    const QByteArray k127(127, 'k'), k126(126, 'k'), k128(128, 'k');
    const Case cases[] = {
        {"127 bytes: one line of 127", plain.left(127), k127 + "\r\n"},
        {"128 bytes: one line of 128", plain.left(128), k128 + "\r\n"},
        {"129 bytes: 128 and a last line of one byte", plain.left(129), k128 + "\r\nk\r\n"},
        {"an exact multiple of the line length: no empty line", plain.left(256),
         k128 + "\r\n" + k128 + "\r\n"},
        {"an escape straddling the limit: 129", plain.left(127) + "\xd6" + "A", k127 + "=@\r\nk\r\n"},
        {"an escape ending the line at 128", plain.left(126) + "\xd6" + "A", k126 + "=@\r\nk\r\n"},
        // A line starting with TAB and "." and one ending with space would be
        // mangled by servers and readers; they are escaped.
        {"critical bytes at line start and end",
         plain.left(127) + "\xf6" + "\xdf\x04" + plain.left(125) + "\xf6",
         k127 + "=`\r\n=I=n" + QByteArray(124, 'k') + "\r\nk=`\r\n"},
        {"a final line of one escaped byte", plain.left(128) + "\x13", k128 + "\r\n=}\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(referenceBody(c.raw), c.body);
        for (Path p : YencBodyEncoder::supportedPaths()) {
            SCOPED_TRACE(YencBodyEncoder::pathName(p));
            EXPECT_EQ(encodeBody(p, c.raw), c.body);
        }
        const auto article = Yenc::encodeSegment(singlePart(c.raw, "x"), c.raw);
        ASSERT_TRUE(article);
        EXPECT_EQ(article->body, QByteArray("=ybegin line=128 size=") + QByteArray::number(c.raw.size()) +
                                     " name=x\r\n" + c.body +
                                     "=yend size=" + QByteArray::number(c.raw.size()) +
                                     " crc32=" + hex8(zcrc(c.raw)).toLatin1() + " \r\n");
    }
}

TEST(YencGolden, MultiPartHeadersAndTrailers)
{
    const QByteArray file = "abcdefghij"; // three parts of at most 4 bytes
    YencPart p;
    p.segtotal = 3;
    p.fileBytes = file.size();
    p.maxArticleSize = 4;
    p.filename = "f.bin";

    p.segnr = 2;
    p.bytes = 4;
    auto second = Yenc::encodeSegment(p, file.mid(4, 4));
    ASSERT_TRUE(second);
    EXPECT_EQ(second->body, QByteArray("=ybegin part=2 line=128 size=10 name=f.bin\r\n"
                                       "=ypart begin=5 end=8\r\n"
                                       "\x8f\x90\x91\x92\r\n"
                                       "=yend size=4 part=2 pcrc32=") +
                                hex8(zcrc("efgh")).toLatin1() + " \r\n");

    // The last part is shorter; with the CRC of the parts before it, it also
    // carries the whole file's CRC, combined without reading the file again.
    p.segnr = 3;
    p.bytes = 2;
    p.crcOfEarlierParts = Yenc::combineCrc(zcrc("abcd"), zcrc("efgh"), 4);
    auto last = Yenc::encodeSegment(p, "ij");
    ASSERT_TRUE(last);
    EXPECT_EQ(last->body, QByteArray("=ybegin part=3 line=128 size=10 name=f.bin\r\n"
                                     "=ypart begin=9 end=10\r\n"
                                     "\x93\x94\r\n"
                                     "=yend size=2 part=3 pcrc32=") +
                              hex8(zcrc("ij")).toLatin1() + " crc32=" + hex8(zcrc(file)).toLatin1() +
                              " \r\n");

    // Article 3 at the default slice size starts at 768001.
    YencPart big;
    big.segnr = 3;
    big.segtotal = 4;
    big.fileBytes = 3 * 384000 + 10;
    big.bytes = 384000;
    big.filename = "big.rar";
    QRandomGenerator rng(7);
    const auto third = Yenc::encodeSegment(big, randomBytes(384000, rng));
    ASSERT_TRUE(third);
    EXPECT_TRUE(third->body.startsWith("=ybegin part=3 line=128 size=1152010 name=big.rar\r\n"
                                       "=ypart begin=768001 end=1152000\r\n"));
    EXPECT_TRUE(third->body.endsWith(QByteArray("=yend size=384000 part=3 pcrc32=") +
                                     hex8(third->pcrc32).toLatin1() + " \r\n"));
    big.segnr = 4;
    big.bytes = 10;
    const auto fourth = Yenc::encodeSegment(big, QByteArray(10, 'z'));
    ASSERT_TRUE(fourth);
    EXPECT_TRUE(fourth->body.contains("=ypart begin=1152001 end=1152010\r\n"));
    EXPECT_FALSE(fourth->body.contains(" crc32=")); // no earlier CRC given

    EXPECT_EQ(Yenc::crc32("abc"), 0x352441c2u);
}

// Every vector path gives the scalar path's bytes, which are the reference
// layout's, for any length, content, starting column and piece size.
TEST(YencPaths, AgreeOnManyInputs)
{
    QRandomGenerator rng(20240601);
    const QList<Path> paths = YencBodyEncoder::supportedPaths();
    ASSERT_TRUE(paths.contains(Path::Scalar));
    for (Path p : paths)
        std::printf("testing the %s path\n", YencBodyEncoder::pathName(p));
    auto check = [&](const QByteArray& raw, const char* kind) {
        SCOPED_TRACE(std::string(kind) + " of " + std::to_string(raw.size()));
        const QByteArray reference = encodeBody(Path::Scalar, raw);
        ASSERT_EQ(reference, referenceBody(raw));
        const int column = int(rng.bounded(128));
        const QByteArray shifted = encodeBody(Path::Scalar, raw, column);
        for (Path p : paths) {
            SCOPED_TRACE(YencBodyEncoder::pathName(p));
            ASSERT_EQ(encodeBody(p, raw), reference);
            ASSERT_EQ(encodeBody(p, raw, column), shifted);
            ASSERT_EQ(encodeBody(p, raw, 0, &rng), reference);
        }
    };
    auto mixed = [&](qsizetype n, int percentCritical) {
        QByteArray b = randomBytes(n, rng);
        for (qsizetype i = 0; i < n; ++i) {
            if (int(rng.bounded(100)) < percentCritical) b[i] = kCritical[rng.bounded(kCritical.size())];
        }
        return b;
    };
    for (int n = 0; n <= 400; ++n)
        check(randomBytes(n, rng), "random");
    for (int n = 0; n <= 300; n += 7) {
        check(QByteArray(n, '\xd6'), "all escapes");
        check(mixed(n, 50), "half escapes");
    }
    for (int round = 0; round < 60; ++round) {
        const qsizetype n = rng.bounded(400000);
        check(randomBytes(n, rng), "random");
        check(mixed(n, int(rng.bounded(101))), "mixed");
    }
    check(randomBytes(384000, rng), "a default slice");
}

TEST(YencPaths, LinesHoldTheirShape)
{
    QRandomGenerator rng(99);
    const QByteArray raw = randomBytes(200000, rng) + QByteArray(3000, '\x04') + QByteArray(3000, '\xf6');
    const QList<QByteArray> lines = encodeBody(YencBodyEncoder::bestPath(), raw).split('\n');
    ASSERT_TRUE(lines.last().isEmpty());
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        const QByteArray& l = lines[i];
        ASSERT_TRUE(l.endsWith('\r'));
        const qsizetype len = l.size() - 1;
        if (i + 2 < lines.size()) {
            ASSERT_TRUE(len == 128 || (len == 129 && l[127] == '=')) << i << " " << len;
        }
        ASSERT_GT(len, 0);
        ASSERT_NE(l[0], '.');
        ASSERT_NE(l[0], ' ');
        ASSERT_NE(l[0], '\t');
        ASSERT_NE(l[len - 1], ' ');
        ASSERT_NE(l[len - 1], '\t');
        ASSERT_FALSE(l.left(len).contains('\r'));
        ASSERT_FALSE(l.contains('\0'));
    }
}

TEST(YencHeaders, ControlCharactersNeverReachAHeaderLine)
{
    const QString evil =
        QString::fromUtf8("evil\r\nSubject: x\n=yend size=1\tname\x01\x7f\xc2\x85\xe2\x80\xa8.rar");
    const auto article = Yenc::encodeSegment(singlePart("a", evil), "a");
    ASSERT_TRUE(article);
    EXPECT_EQ(article->body,
              QByteArray("=ybegin line=128 size=1 name=evil__Subject: x_=yend size=1_name____.rar\r\n"
                         "\x8b\r\n=yend size=1 crc32=e8b7be43 \r\n"));
    // Names beyond ASCII go out as UTF-8.
    const QString utf8 = QString::fromUtf8("J\xc3\xbcrgen \xe6\xbc\xa2.rar");
    const auto named = Yenc::encodeSegment(singlePart("a", utf8), "a");
    ASSERT_TRUE(named);
    EXPECT_TRUE(named->body.startsWith(QByteArray("=ybegin line=128 size=1 name=") + utf8.toUtf8() + "\r\n"));
    EXPECT_EQ(Yenc::headerSafeText(utf8), utf8);
    EXPECT_EQ(Yenc::headerSafeText(QStringLiteral("a\tb")), QStringLiteral("a_b"));
}

TEST(YencFailures, SlicesThatWereNotReadAreNeverEncoded)
{
    YencPart p;
    p.segnr = 2;
    p.segtotal = 3;
    p.fileBytes = 10;
    p.maxArticleSize = 4;
    p.filename = "f";
    p.bytes = 4;
    EXPECT_TRUE(Yenc::encodeSegment(p, "efgh"));
    EXPECT_FALSE(Yenc::encodeSegment(p, QByteArray()));   // never read
    EXPECT_FALSE(Yenc::encodeSegment(p, QByteArray(""))); // read as nothing
    EXPECT_FALSE(Yenc::encodeSegment(p, "efg"));          // read short
    p.bytes = 3;
    EXPECT_FALSE(Yenc::encodeSegment(p, "efg")); // shorter than the file holds there
    p.bytes = 4;
    p.segnr = 4;
    EXPECT_FALSE(Yenc::encodeSegment(p, "efgh")); // past the last part
    p.segnr = 0;
    EXPECT_FALSE(Yenc::encodeSegment(p, "efgh"));
    p.segnr = 3;
    EXPECT_FALSE(Yenc::encodeSegment(p, "ijkl")); // beyond the end of the file
    p.bytes = 2;
    EXPECT_TRUE(Yenc::encodeSegment(p, "ij"));
    // A single article of a non-empty file that came back empty.
    EXPECT_FALSE(Yenc::encodeSegment(singlePart("abc", "x"), QByteArray("")));
}

TEST(YencFailures, ReadSliceReportsEveryFailedRead)
{
    QTemporaryDir dir;
    QFile file(dir.filePath("f.bin"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("0123456789");
    file.close();

    EXPECT_FALSE(Yenc::readSlice(file, 0, 4)); // not open
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(Yenc::readSlice(file, 4, 4), QByteArray("4567"));
    EXPECT_EQ(Yenc::readSlice(file, 8, 2), QByteArray("89"));
    EXPECT_FALSE(Yenc::readSlice(file, 8, 4));  // short
    EXPECT_FALSE(Yenc::readSlice(file, 20, 4)); // past the end
    EXPECT_FALSE(Yenc::readSlice(file, -1, 4));
    const auto none = Yenc::readSlice(file, 10, 0);
    ASSERT_TRUE(none);
    EXPECT_FALSE(none->isNull());

    QFile mem("/proc/self/mem"); // opens, but its first page cannot be read
    ASSERT_TRUE(mem.open(QIODevice::ReadOnly | QIODevice::Unbuffered));
    EXPECT_FALSE(Yenc::readSlice(mem, 0, 4096));
}

TEST(YencFailures, AppendStringNeedsBothParts)
{
    MessageCapture console("binorama.yenc");
    QByteArray out("x");
    EXPECT_TRUE(Yenc::appendString(QString::fromUtf8("\xc3\xa9"), &out));
    EXPECT_EQ(out, QByteArray("x\xc3\xa9"));
    EXPECT_FALSE(Yenc::appendString("y", nullptr));
    EXPECT_FALSE(Yenc::appendString(QString(), &out));
    EXPECT_EQ(out, QByteArray("x\xc3\xa9"));
    EXPECT_EQ(console.lines(), QStringList({"Yenc::appendString Conversion failed. Data is nil",
                                            "Yenc::appendString Conversion failed. Data is nil"}));
}

// Debian's python3-yenc decodes what the encoder wrote: the bytes and the
// CRC of every part and of the whole file agree.
TEST(YencCrossDecode, PythonYencDecodesTheArticles)
{
    const QString python = "/usr/bin/python3";
    {
        QProcess probe;
        probe.start(python, {"-c", "import yenc"});
        if (!probe.waitForFinished(20000) || probe.exitCode() != 0)
            GTEST_SKIP() << "python3-yenc is not installed";
    }
    QTemporaryDir dir;
    QRandomGenerator rng(31337);
    // Random data in several parts, and the critical bytes at every line
    // position (each repeated so that it meets both line ends).
    QByteArray criticalRuns;
    for (int n = 0; n < 400; ++n)
        criticalRuns += QByteArray(n % 131, 'A') + kCritical + QByteArray(1, char(n));
    struct File
    {
        const char* name;
        QByteArray data;
        double slice;
    };
    const File files[] = {
        {"random.bin", randomBytes(1000003, rng), 384000},
        {"critical.bin", criticalRuns, 5000},
        {"small.bin", "x", 384000},
    };
    const QString script = R"(
import sys, io, yenc, zlib
for path in sys.argv[1:]:
    lines = open(path, 'rb').read().split(b'\r\n')
    head = [l for l in lines if l.startswith(b'=y')]
    body = b'\r\n'.join(l for l in lines if not l.startswith(b'=y'))
    out = io.BytesIO()
    n, crc = yenc.decode(io.BytesIO(body), out)
    open(path + '.dec', 'wb').write(out.getvalue())
    print(path, n, crc, head[-1].decode())
)";
    for (const File& f : files) {
        SCOPED_TRACE(f.name);
        const qint64 total = f.data.size();
        const qint64 slice = qint64(f.slice);
        const qint64 parts = (total + slice - 1) / slice;
        QStringList articles;
        QList<quint32> partCrcs;
        quint32 earlier = 0;
        for (qint64 n = 1; n <= parts; ++n) {
            YencPart p;
            p.segnr = n;
            p.segtotal = parts;
            p.fileBytes = total;
            p.maxArticleSize = f.slice;
            p.filename = f.name;
            const QByteArray raw = f.data.mid((n - 1) * slice, slice);
            p.bytes = raw.size();
            p.crcOfEarlierParts = earlier;
            const auto article = Yenc::encodeSegment(p, raw);
            ASSERT_TRUE(article);
            EXPECT_EQ(article->pcrc32, zcrc(raw));
            earlier = Yenc::combineCrc(earlier, article->pcrc32, raw.size());
            partCrcs << article->pcrc32;
            const QString path = dir.filePath(QStringLiteral("%1.%2.yenc").arg(f.name).arg(n));
            QFile out(path);
            ASSERT_TRUE(out.open(QIODevice::WriteOnly));
            out.write(article->body);
            articles << path;
        }
        EXPECT_EQ(earlier, zcrc(f.data));

        QProcess py;
        py.setProcessChannelMode(QProcess::MergedChannels);
        py.start(python, QStringList{"-c", script} + articles);
        ASSERT_TRUE(py.waitForFinished(60000));
        const QString output = QString::fromUtf8(py.readAll());
        ASSERT_EQ(py.exitCode(), 0) << output.toStdString();
        const QStringList lines = output.split('\n', Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), articles.size()) << output.toStdString();
        QByteArray decoded;
        for (int i = 0; i < articles.size(); ++i) {
            const QStringList fields = lines[i].split(' ');
            ASSERT_GE(fields.size(), 4);
            EXPECT_EQ(fields[2], hex8(partCrcs[i])); // python's own CRC of what it decoded
            // The trailer it read names the same CRC.
            const QString trailer = lines[i].section(' ', 3);
            const QString crcField = (parts > 1 ? "pcrc32=" : "crc32=") + hex8(partCrcs[i]);
            EXPECT_TRUE(trailer.contains(crcField)) << trailer.toStdString();
            QFile dec(articles[i] + ".dec");
            ASSERT_TRUE(dec.open(QIODevice::ReadOnly));
            decoded += dec.readAll();
        }
        EXPECT_EQ(decoded, f.data);
        if (parts > 1) {
            EXPECT_TRUE(lines.last().contains(" crc32=" + hex8(zcrc(f.data))));
        }
    }
}
