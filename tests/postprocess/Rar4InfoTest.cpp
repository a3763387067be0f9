#include "postprocess/Rar4Info.h"

#include "core/Logger.h"
#include "support/Rar4Builder.h"
#include "support/TempHome.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

namespace {

QByteArray le16(quint16 v)
{
    return QByteArray(1, char(v & 0xff)) + QByteArray(1, char(v >> 8));
}

QByteArray le32(quint32 v)
{
    return le16(quint16(v & 0xffff)) + le16(quint16(v >> 16));
}

// A file header with the given flags and name, its data `packSize` bytes long.
QByteArray fileHeader(quint16 flags, const QByteArray& name = "f.bin", quint64 packSize = 0)
{
    Rar4Builder::FileHeader h;
    h.flags = flags;
    h.nameField = name;
    h.packSize = packSize;
    h.unpSize = packSize;
    if (flags & 0x400) h.salt = "SALTSALT";
    return Rar4Builder::fileHeader(h);
}

QByteArray mainHeader(quint16 flags = 0)
{
    return Rar4Builder::mainHeader(flags);
}

const QByteArray kMarker = Rar4Builder::marker();
const QByteArray kEnd = Rar4Builder::endOfArchive();

struct Rar4InfoFixture : ::testing::Test
{
    TempHome home;

    QStringList logLines()
    {
        Logger::shared()->flush();
        QStringList lines;
        for (const LogClass& e : Logger::shared()->logArray())
            lines << e.type + " " + e.message;
        Logger::shared()->removeAllObjects();
        return lines;
    }
    static bool ask(const QByteArray& data, Rar4Info* keep = nullptr)
    {
        Rar4Info info;
        info.setFiledata(data);
        const bool yes = info.isPasswordProtected();
        if (keep) *keep = info;
        return yes;
    }
    static QList<int> types(const Rar4Info& info)
    {
        QList<int> t;
        for (const QVariantMap& r : info.blocks())
            t << quint8(r.value("head_type").toByteArray().at(0));
        return t;
    }
};

} // namespace

TEST_F(Rar4InfoFixture, AnswersForBuiltArchives)
{
    const QByteArray data = seededPattern(3000, 1);
    struct Case
    {
        const char* what;
        QByteArray archive;
        bool yes;
        QList<int> blockTypes; // what the reader records
    };
    const Case cases[] = {
        // The end block is the last seven bytes, and the very last byte is
        // never read: the walk ends before it.
        {"plain",
         Rar4Builder().addFile("a.bin", data).addFile("b.txt", "b").build(),
         false,
         {0x72, 0x73, 0x74, 0x74}},
        {"plain, followed by more data",
         Rar4Builder().addFile("a.bin", data).build() + "more",
         false,
         {0x72, 0x73, 0x74, 0x7b}},
        {"password on the files",
         Rar4Builder().addFile("a.bin", data).addFile("b", "b").setPassword("pw").build(),
         true,
         {0x72, 0x73, 0x74}},
        {"encrypted headers",
         Rar4Builder().addFile("a.bin", data).setPassword("pw").setEncryptedHeaders(true).build(),
         true,
         {0x72, 0x73}},
        {"plain volume",
         Rar4Builder().addFile("a.bin", data).buildVolumes(1000).value(0),
         false,
         {0x72, 0x73, 0x74}},
        {"later volume of a password set",
         Rar4Builder().addFile("a.bin", data).setPassword("pw").buildVolumes(1000).value(2),
         true,
         {0x72, 0x73, 0x74}},
    };
    for (const Case& c : cases) {
        Rar4Info info;
        EXPECT_EQ(ask(c.archive, &info), c.yes) << c.what;
        EXPECT_EQ(types(info), c.blockTypes) << c.what;
    }
    EXPECT_TRUE(logLines().isEmpty());
}

TEST_F(Rar4InfoFixture, RecordsHoldTheRawFields)
{
    const QByteArray junk = "junk before the archive";
    const QByteArray archive = Rar4Builder().addFile("a.bin", seededPattern(100, 2)).buildVolumes(1000).value(0);
    Rar4Info info;
    EXPECT_FALSE(ask(junk + archive + "tail", &info));
    ASSERT_EQ(info.blocks().size(), 4);

    const QVariantMap marker = info.blocks()[0];
    EXPECT_EQ(marker.value("version"), "4.x");
    EXPECT_EQ(marker.value("offset").toULongLong(), quint64(junk.size()));
    EXPECT_EQ(marker.value("head_crc").toByteArray(), "Ra");
    EXPECT_EQ(marker.value("head_type").toByteArray(), "r");
    EXPECT_EQ(marker.value("head_flags").toByteArray(), "!\x1a");
    EXPECT_EQ(marker.value("head_size").toByteArray(), le16(7));
    EXPECT_FALSE(marker.contains("add_size"));

    const QVariantMap main = info.blocks()[1];
    EXPECT_EQ(main.value("offset").toULongLong(), quint64(junk.size() + 7));
    EXPECT_EQ(main.value("head_type").toByteArray(), "\x73");
    EXPECT_EQ(main.value("head_flags").toByteArray(), le16(0x0111)); // volume, new numbering, first volume
    EXPECT_EQ(main.value("head_size").toByteArray(), le16(13));
    EXPECT_EQ(main.value("head_crc").toByteArray(), archive.mid(7, 2));
    EXPECT_EQ(main.value("add_size").toULongLong(), 0u);
    EXPECT_TRUE(main.value("is_volume").toBool());
    EXPECT_FALSE(main.contains("has_auth"));
    EXPECT_FALSE(main.contains("has_recovery"));
    EXPECT_FALSE(main.contains("is_encrypted"));
    EXPECT_FALSE(main.contains("has_password"));

    const QVariantMap file = info.blocks()[2];
    EXPECT_EQ(file.value("offset").toULongLong(), quint64(junk.size() + 20));
    EXPECT_EQ(file.value("add_size").toULongLong(), 100u);
    EXPECT_EQ(file.value("filename_size").toByteArray(), le16(5));
    EXPECT_EQ(file.value("filename").toString(), "a.bin");
    EXPECT_EQ(file.value("has_password"), QVariant(false));
    EXPECT_FALSE(file.contains("is_volume"));

    const QVariantMap end = info.blocks()[3];
    EXPECT_EQ(end.value("head_type").toByteArray(), "\x7b");
    EXPECT_EQ(end.value("offset").toULongLong(), quint64(junk.size() + 20 + 37 + 100));

    // Main-header flags each give their own key.
    EXPECT_FALSE(ask(kMarker + mainHeader(0x20 | 0x40) + kEnd + "pad", &info));
    EXPECT_TRUE(info.blocks()[1].value("has_auth").toBool());
    EXPECT_TRUE(info.blocks()[1].value("has_recovery").toBool());
    EXPECT_FALSE(info.blocks()[1].contains("is_volume"));
}

TEST_F(Rar4InfoFixture, FirstBlockAndMarkerEdgeCases)
{
    struct Case
    {
        const char* what;
        QByteArray data;
        bool yes;
        qsizetype blocks;
        QStringList log;
    };
    const QStringList none;
    const Case cases[] = {
        {"empty data", {}, false, 0, {"[WARN] Filedata is empty.", "[WARN] RAR4 no blocks found."}},
        {"marker + 6 bytes is not found",
         kMarker + "123456",
         false,
         0,
         {"[WARN] Unsupported RAR format.", "[WARN] RAR4 no blocks found."}},
        {"marker + 7 bytes: marker record only", kMarker + "1234567", false, 1, none},
        {"a RAR 5 signature",
         QByteArray("Rar!\x1a\x07\x01\x00", 8) + QByteArray(40, 'x'),
         false,
         0,
         {"[WARN] Unsupported RAR format.", "[WARN] RAR4 no blocks found."}},
        {"no marker at all",
         QByteArray(100, 'x'),
         false,
         0,
         {"[WARN] Unsupported RAR format.", "[WARN] RAR4 no blocks found."}},
        {"main header with encrypted headers", kMarker + mainHeader(0x80) + QByteArray(64, '\x5a'), true, 2,
         none},
        {"a file header right after the marker", kMarker + fileHeader(0x04 | 0x400) + "data", true, 2, none},
        {"file password flag behind the main header",
         kMarker + mainHeader() + fileHeader(0x04 | 0x400, "f", 4) + "data" + kEnd + "!", true, 3, none},
        {"the data ends inside the end block", kMarker + mainHeader() + kEnd, false, 2, none},
    };
    for (const Case& c : cases) {
        Rar4Info info;
        EXPECT_EQ(ask(c.data, &info), c.yes) << c.what;
        EXPECT_EQ(info.blocks().size(), c.blocks) << c.what;
        EXPECT_EQ(logLines(), c.log) << c.what;
    }
}

TEST_F(Rar4InfoFixture, DamagedHeadersStopTheWalkCleanly)
{
    const QByteArray pw = fileHeader(0x04 | 0x400, "secret.bin", 4) + "data";
    QByteArray badCrc = pw;
    badCrc[0] = char(badCrc[0] ^ 1);
    // NAME_SIZE 200 in a header of 34 bytes with a valid checksum.
    const QByteArray nameTooLong =
        Rar4Builder::block(0x74, 0x8004,
                           le32(4) + le32(4) + QByteArray(1, 3) + le32(0) + le32(0) +
                               QByteArray("\x1d\x30", 2) + le16(200) + le32(0) + "n") +
        "data";
    QByteArray shortMain = mainHeader();
    shortMain.replace(5, 2, le16(3)); // HEAD_SIZE below 7
    QByteArray zeroMain = mainHeader();
    zeroMain.replace(5, 2, le16(0)); // would not advance

    struct Case
    {
        const char* what;
        QByteArray data;
        bool yes;
        qsizetype blocks;
        bool logsCutShort;
    };
    const Case cases[] = {
        {"file header cut in its fixed fields", kMarker + fileHeader(0x04).left(20) + "", false, 1, true},
        {"file header cut in its name", kMarker + fileHeader(0x04, "long-name.bin").left(36), false, 1, true},
        {"ADD_SIZE missing", kMarker + QByteArray("\0\0\x74\x04\x80\x20\0", 7) + "ab", false, 1, true},
        {"HEAD_SIZE below 7 does not lead on", kMarker + shortMain + pw + kEnd + "!", false, 2, false},
        {"HEAD_SIZE 0 does not loop", kMarker + zeroMain + pw + kEnd + "!", false, 2, false},
        {"ADD_SIZE past the end", kMarker + mainHeader() + fileHeader(0, "a", 0x7fffffff) + "abc" + pw, false,
         3, false},
        {"a later header with a bad checksum is not believed", kMarker + mainHeader() + badCrc + kEnd + "!",
         false, 2, false},
        {"a later name running past its header", kMarker + mainHeader() + nameTooLong + QByteArray(300, 'z'),
         false, 2, false},
        {"the largest sizes do not wrap around",
         kMarker + mainHeader() +
             [] {
                 QByteArray h = fileHeader(0x100, "a", 0);
                 h.replace(7, 4, le32(0xffffffffu));
                 h.replace(7 + 25, 4, le32(0xffffffffu));
                 return Rar4Builder::block(0x74, 0x8100, h.mid(7));
             }() +
             pw + kEnd + "!",
         false, 3, false},
    };
    for (const Case& c : cases) {
        Rar4Info info;
        EXPECT_EQ(ask(c.data, &info), c.yes) << c.what;
        EXPECT_EQ(info.blocks().size(), c.blocks) << c.what;
        const QStringList log = logLines();
        EXPECT_EQ(log.size(), c.logsCutShort ? 1 : 0) << c.what << " " << log.join("|").toStdString();
        if (c.logsCutShort && !log.isEmpty()) {
            EXPECT_EQ(log[0], "[ERROR] RAR4 header at offset 7 is cut short.") << c.what;
        }
    }
}

TEST_F(Rar4InfoFixture, LargeFilesAreSteppedOverByTheirFullSize)
{
    // A packed size with a high half: the next block lies 4 GiB further, past
    // this data, so the walk ends after the file header. With the high half
    // 0 the block after it is found.
    auto archive = [](quint32 high) {
        QByteArray h = fileHeader(0x100, "big", 3);
        h.replace(7 + 25, 4, le32(high));
        return kMarker + mainHeader() + Rar4Builder::block(0x74, 0x8100, h.mid(7)) + "abc" +
               fileHeader(0x04 | 0x400, "pw", 1) + "x" + kEnd + "!";
    };
    EXPECT_TRUE(ask(archive(0)));
    Rar4Info info;
    EXPECT_FALSE(ask(archive(1), &info));
    EXPECT_EQ(info.blocks().size(), 3);
}

TEST_F(Rar4InfoFixture, FileNames)
{
    struct Case
    {
        const char* what;
        quint16 flags;
        QByteArray field;
        QString want;
    };
    const Case cases[] = {
        {"plain", 0, "movie.mkv", "movie.mkv"},
        {"ends in zero: up to the first zero", 0, QByteArray("abc\0def\0", 8), "abc"},
        {"UTF-8", 0, "\xc3\xbc.txt", QString::fromUtf8("ü.txt")},
        {"not UTF-8: replaced, not dropped", 0, "bad\xff.bin", QString::fromUtf8("bad\xef\xbf\xbd.bin")},
        {"unicode name after the zero", 0x200,
         QByteArray("_.txt\0\0\xaa", 8) + le16(0x00fc) + le16('.') + le16('t') + le16('x') +
             QByteArray("\xa0", 1) + le16('t'),
         QString::fromUtf8("ü.txt")},
        {"unicode name with a run from the single-byte name", 0x200, QByteArray("abcdef\0\0\xc0\x04", 10),
         "abcdef"},
        {"damaged unicode name: the single-byte one", 0x200, QByteArray("plain\0\0\x80", 8), "plain"},
    };
    for (const Case& c : cases) {
        Rar4Info info;
        EXPECT_TRUE(ask(kMarker + mainHeader() + fileHeader(c.flags | 0x04, c.field) + "data", &info))
            << c.what;
        ASSERT_EQ(info.blocks().size(), 3) << c.what;
        EXPECT_EQ(info.blocks()[2].value("filename").toString(), c.want) << c.what;
    }
    // The builder's own non-ASCII names read back.
    Rar4Info info;
    ask(Rar4Builder().addFile(QString::fromUtf8("Übung 東京.txt"), "x").build(), &info);
    ASSERT_GE(info.blocks().size(), 3);
    EXPECT_EQ(info.blocks()[2].value("filename").toString(), QString::fromUtf8("Übung 東京.txt"));
}

TEST_F(Rar4InfoFixture, ReadsAndSearchesStayInsideTheData)
{
    Rar4Info info;
    info.setFiledata("0123456789");
    info.analyze(); // takes the length (no marker: nothing recorded)
    EXPECT_EQ(info.filelength(), 10u);
    info.seek(3);
    EXPECT_EQ(info.read(6), QByteArray("345678"));
    EXPECT_EQ(info.offset(), 9u);
    EXPECT_EQ(info.read(1), std::nullopt) << "the very last byte is never handed out";
    EXPECT_EQ(info.offset(), 9u);
    info.seek(100);
    EXPECT_EQ(info.read(0), std::nullopt);
    info.seek(0);
    EXPECT_EQ(info.read(~quint64(0)), std::nullopt);
    EXPECT_EQ(info.offset(), 0u);

    EXPECT_EQ(info.search("345"), 3u);
    EXPECT_EQ(info.search("456"), 4u);
    EXPECT_EQ(info.search("567"), std::nullopt) << "the pattern must lie within the first length - 3 bytes";
    EXPECT_EQ(info.search(QByteArray(11, '0')), std::nullopt);
}

TEST_F(Rar4InfoFixture, ArbitraryBytesNeverBreakTheReader)
{
    const QByteArray good = Rar4Builder()
                                .addFile("a.bin", seededPattern(300, 3))
                                .addFile("b.bin", seededPattern(40, 4))
                                .setPassword("pw")
                                .build();
    // Every truncation ends cleanly.
    for (qsizetype n = 0; n <= good.size(); ++n)
        ask(good.left(n));
    // Random damage after the marker; ASan sees any read outside the data.
    QRandomGenerator rng(12345);
    for (int round = 0; round < 3000; ++round) {
        QByteArray d = good;
        const int hits = 1 + int(rng.bounded(8));
        for (int i = 0; i < hits; ++i)
            d[7 + qsizetype(rng.bounded(quint32(d.size() - 7)))] = char(rng.bounded(256));
        if (rng.bounded(4) == 0) d.truncate(7 + qsizetype(rng.bounded(quint32(d.size() - 7))));
        ask(d);
    }
    for (int round = 0; round < 500; ++round) {
        QByteArray d = kMarker;
        const int n = int(rng.bounded(200));
        for (int i = 0; i < n; ++i)
            d.append(char(rng.bounded(256)));
        ask(d);
    }
    SUCCEED();
}
