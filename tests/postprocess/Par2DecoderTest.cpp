#include "postprocess/Par2Decoder.h"

#include "support/MessageCapture.h"
#include "support/Par2PacketBuilder.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>

#include <limits>

using B = Par2PacketBuilder;

namespace {

const QByteArray kMd5A = QByteArray::fromHex("11111111111111111111111111111111");
const QByteArray kMd5B = QByteArray::fromHex("22222222222222222222222222222222");

QString hex(const QByteArray& b)
{
    return QString::fromLatin1(b.toHex());
}

// A consistent two-file set: main, two descriptions, two checksum packets,
// a creator.
QByteArray twoFileSet()
{
    return B::mainPacket(4096, {B::id(1), B::id(2)}) +
           B::fileDescPacket(B::id(1), kMd5A, kMd5A, 5000, "b.bin") +
           B::fileDescPacket(B::id(2), kMd5B, kMd5B, 100, "a.bin") + B::ifscPacket(B::id(1), {0x11, 0x22}) +
           B::ifscPacket(B::id(2), {0x33}) + B::creatorPacket("Made by hand");
}

std::optional<QVariantMap> fileListOf(const QByteArray& data)
{
    Par2Decoder d;
    d.initWithData(data);
    return d.getFileList();
}

QStringList fileNames(const QVariantMap& list)
{
    QStringList names;
    for (const QVariant& f : list.value("files").toList())
        names << f.toMap().value("filename").toString();
    return names;
}

} // namespace

TEST(Par2DecoderPackets, ConsistentSetGivesTheFileList)
{
    const auto list = fileListOf(twoFileSet());
    ASSERT_TRUE(list);
    const QVariantMap main = list->value("main").toMap();
    EXPECT_EQ(main.value("setID").toString(), hex(B::defaultSetID()));
    EXPECT_EQ(main.value("totalFiles").toLongLong(), 2);
    EXPECT_EQ(main.value("sliceSize").toLongLong(), 4096);
    EXPECT_EQ(main.value("totalPackageSlices").toLongLong(), 3);
    EXPECT_EQ(main.value("validRecoverySlices").toLongLong(), 0);
    EXPECT_FALSE(main.contains("fileIDArray"));
    EXPECT_EQ(list->value("creator").toMap().value("creatorName").toString(), "Made by hand");
    EXPECT_EQ(list->value("creator").toMap().value("parVersion").toString(), "PAR 2.0");

    const QVariantList files = list->value("files").toList();
    ASSERT_EQ(files.size(), 2);
    const QVariantMap a = files[0].toMap();
    EXPECT_EQ(a.value("filename").toString(), "a.bin");
    EXPECT_EQ(a.value("safeFilename").toString(), "a.bin");
    EXPECT_EQ(a.value("fileID").toString(), hex(B::id(2)));
    EXPECT_EQ(a.value("md5").toString(), hex(kMd5B));
    EXPECT_EQ(a.value("md516k").toString(), hex(kMd5B));
    EXPECT_EQ(a.value("bytes").toLongLong(), 100);
    EXPECT_EQ(a.value("totalSlices").toLongLong(), 1);
    EXPECT_EQ(files[1].toMap().value("totalSlices").toLongLong(), 2);
}

TEST(Par2DecoderPackets, JunkBeforeTheFirstPacketIsSkipped)
{
    const QByteArray junk = QByteArray("PAR2 almost a magic PAR2\0PK", 27) + QByteArray(3000, 'j');
    const auto list = fileListOf(junk + twoFileSet());
    ASSERT_TRUE(list);
    EXPECT_EQ(fileNames(*list), QStringList({"a.bin", "b.bin"}));
    EXPECT_FALSE(fileListOf(QByteArray(5000, 'x')));
    EXPECT_FALSE(fileListOf(QByteArray()));
}

// A length field that cannot be honoured costs that packet only: everything
// before and after it is read, nothing is read past the data (the
// sanitizers watch that).
TEST(Par2DecoderPackets, HostileLengthsCostOnlyThatPacket)
{
    const QByteArray first = B::mainPacket(4096, {B::id(1)});
    const QByteArray after = B::creatorPacket("read after");
    const QByteArray victim = B::fileDescPacket(B::id(1), kMd5A, kMd5A, 10, "x.bin");
    struct Case
    {
        const char* what;
        quint64 length;
    };
    const Case cases[] = {
        {"2^64-1", std::numeric_limits<quint64>::max()},
        {"2^64-16", std::numeric_limits<quint64>::max() - 15},
        {"2^63", quint64(1) << 63},
        {"0", 0},
        {"16", 16},
        {"48", 48},
        {"63", 63},
        {"one past the end", quint64(victim.size() + after.size() + 1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const bool fromFile : {false, true}) {
            const QByteArray data = first + B::withLength(victim, c.length) + after;
            Par2Decoder d;
            QTemporaryDir dir;
            if (fromFile) {
                QFile f(dir.filePath("h.par2"));
                ASSERT_TRUE(f.open(QIODevice::WriteOnly));
                f.write(data);
                f.close();
                d.initWithUrl(f.fileName());
            } else {
                d.initWithData(data);
            }
            ASSERT_TRUE(d.hasData());
            EXPECT_FALSE(d.getFileList());
            EXPECT_EQ(d.mainDict().value("sliceSize").toLongLong(), 4096);
            EXPECT_TRUE(d.filedescDict().isEmpty());
            EXPECT_EQ(d.creatorDict().value("creatorName").toString(), "read after");
        }
    }
    // The hostile length on the very first packet: only what follows.
    Par2Decoder d;
    d.initWithData(B::withLength(first, std::numeric_limits<quint64>::max()) + after);
    EXPECT_FALSE(d.getFileList());
    EXPECT_FALSE(d.mainDict().contains("sliceSize"));
    EXPECT_EQ(d.creatorDict().value("creatorName").toString(), "read after");
    // Fewer than 16 bytes after the magic.
    d.initWithData(QByteArray("PAR2\0PKT\x40\0\0", 11));
    EXPECT_FALSE(d.getFileList());
    EXPECT_TRUE(d.mainDict().isEmpty());
}

TEST(Par2DecoderPackets, TruncatedLastPacketKeepsWhatCameBefore)
{
    const QByteArray set = twoFileSet();
    const QList<B::Packet> packets = B::split(set);
    ASSERT_EQ(packets.size(), 6);
    const QByteArray cut = set.left(packets.last().offset + 30);
    const auto list = fileListOf(cut);
    ASSERT_TRUE(list);
    EXPECT_EQ(fileNames(*list), QStringList({"a.bin", "b.bin"}));
    EXPECT_TRUE(list->value("creator").toMap().isEmpty());
}

TEST(Par2DecoderPackets, BadChecksumSkipsOnlyThatPacket)
{
    // The second description damaged: the set no longer adds up, but the
    // packets after it are still read.
    const QByteArray set = B::mainPacket(4096, {B::id(1), B::id(2)}) +
                           B::fileDescPacket(B::id(1), kMd5A, kMd5A, 5000, "b.bin") +
                           B::withBadMd5(B::fileDescPacket(B::id(2), kMd5B, kMd5B, 100, "a.bin")) +
                           B::ifscPacket(B::id(2), {0x33}) + B::creatorPacket("after");
    Par2Decoder d;
    d.initWithData(set);
    EXPECT_FALSE(d.getFileList());
    EXPECT_EQ(d.filedescDict().keys(), QStringList({hex(B::id(1))}));
    EXPECT_TRUE(d.ifscDict().contains(hex(B::id(2))));
    EXPECT_EQ(d.creatorDict().value("creatorName").toString(), "after");

    // A damaged packet does not store its set ID either.
    const QByteArray other = QByteArray::fromHex("ffffffffffffffffffffffffffffffff");
    Par2Decoder e;
    e.initWithData(B::creatorPacket("ok") +
                   B::withBadMd5(B::packet(B::typeSignature("Creator"), "xxxx", other)));
    e.getFileList();
    EXPECT_EQ(e.mainDict().value("setID").toString(), hex(B::defaultSetID()));
}

// PAR2 files repeat their main and description packets. Any one damaged
// byte in the first copy (its length field, type, MD5 or body) leaves the
// file list whole: the second copy makes it up.
TEST(Par2DecoderPackets, ADamagedPacketIsMadeUpByItsRepeatedCopy)
{
    const QByteArray set = twoFileSet();
    const auto want = fileListOf(set + set);
    ASSERT_TRUE(want);
    MessageCapture console("binorama.par2");
    for (qsizetype at = 0; at < set.size(); ++at) {
        for (const char flip : {char(0x01), char(0x80)}) {
            QByteArray damaged = set;
            damaged[at] = char(damaged[at] ^ flip);
            const auto list = fileListOf(damaged + set);
            ASSERT_TRUE(list) << "byte " << at;
            EXPECT_EQ(*list, *want) << "byte " << at;
        }
    }
    // A damaged copy in the middle, between good ones, and junk after it.
    const QList<B::Packet> packets = B::split(set);
    QByteArray middle = set;
    middle[packets[2].offset + 9] = char(middle[packets[2].offset + 9] ^ 0x04); // its length
    const auto list = fileListOf(middle + QByteArray(100, 'j') + set);
    ASSERT_TRUE(list);
    EXPECT_EQ(fileNames(*list), QStringList({"a.bin", "b.bin"}));
    EXPECT_TRUE(console.lines().filter("Damaged packet at offset").size() > 0);
}

TEST(Par2DecoderPackets, MissingDescriptionsOrIdsGiveNoFileList)
{
    // Three files in the main packet, two descriptions left.
    EXPECT_FALSE(fileListOf(B::mainPacket(4096, {B::id(1), B::id(2), B::id(3)}) +
                            B::fileDescPacket(B::id(1), kMd5A, kMd5A, 1, "a") +
                            B::fileDescPacket(B::id(2), kMd5A, kMd5A, 1, "b")));
    // A count of 3 with only two IDs in the body: the IDs are read within the
    // packet, and the set is refused.
    Par2Decoder d;
    d.initWithData(B::mainPacket(4096, 3, {B::id(1), B::id(2)}) +
                   B::fileDescPacket(B::id(1), kMd5A, kMd5A, 1, "a") +
                   B::fileDescPacket(B::id(2), kMd5A, kMd5A, 1, "b") +
                   B::fileDescPacket(B::id(3), kMd5A, kMd5A, 1, "c"));
    EXPECT_FALSE(d.getFileList());
    EXPECT_EQ(d.mainDict().value("totalFiles").toLongLong(), 3);
    EXPECT_EQ(d.mainDict().value("fileIDArray").toList().size(), 2);
    // A count of 2^32-1 with no IDs at all.
    EXPECT_FALSE(fileListOf(B::mainPacket(4096, 0xFFFFFFFFu, {})));
    // Equal counts, but a description belongs to another file.
    EXPECT_FALSE(fileListOf(B::mainPacket(4096, {B::id(1), B::id(2)}) +
                            B::fileDescPacket(B::id(1), kMd5A, kMd5A, 1, "a") +
                            B::fileDescPacket(B::id(9), kMd5A, kMd5A, 1, "b")));
    // No main packet at all.
    EXPECT_FALSE(fileListOf(B::fileDescPacket(B::id(1), kMd5A, kMd5A, 1, "a")));
}

TEST(Par2DecoderPackets, FileWithoutChecksumsHasNoSliceCount)
{
    const auto list = fileListOf(
        B::mainPacket(4096, {B::id(1), B::id(2)}) + B::fileDescPacket(B::id(1), kMd5A, kMd5A, 1, "a") +
        B::fileDescPacket(B::id(2), kMd5A, kMd5A, 1, "b") + B::ifscPacket(B::id(2), {1, 2, 3, 4}));
    ASSERT_TRUE(list);
    const QVariantList files = list->value("files").toList();
    EXPECT_FALSE(files[0].toMap().contains("totalSlices"));
    EXPECT_EQ(files[1].toMap().value("totalSlices").toLongLong(), 4);
    EXPECT_EQ(list->value("main").toMap().value("totalPackageSlices").toLongLong(), 4);
}

TEST(Par2DecoderPackets, NamesSortCaseSensitivelyAndLaterPacketsOverwrite)
{
    const auto list = fileListOf(B::mainPacket(4096, {B::id(1), B::id(2), B::id(3)}) +
                                 B::fileDescPacket(B::id(1), kMd5A, kMd5A, 1, "b") +
                                 B::fileDescPacket(B::id(2), kMd5A, kMd5A, 1, "B") +
                                 B::fileDescPacket(B::id(3), kMd5A, kMd5A, 1, "first name") +
                                 B::fileDescPacket(B::id(3), kMd5B, kMd5B, 7, "a"));
    ASSERT_TRUE(list);
    EXPECT_EQ(fileNames(*list), QStringList({"B", "a", "b"}));
    EXPECT_EQ(list->value("files").toList()[1].toMap().value("md5").toString(), hex(kMd5B));
}

TEST(Par2DecoderPackets, RecoverySlicesCountDistinctExponents)
{
    const QByteArray set = B::mainPacket(4, {B::id(1)}) + B::fileDescPacket(B::id(1), kMd5A, kMd5A, 1, "a") +
                           B::recoveryPacket(7, "abcd") + B::recoveryPacket(3, "efgh") +
                           B::recoveryPacket(7, "ijkl");
    const auto list = fileListOf(set);
    ASSERT_TRUE(list);
    EXPECT_EQ(list->value("main").toMap().value("validRecoverySlices").toLongLong(), 2);

    Par2Decoder count;
    count.initWithData(set);
    const auto counted = count.countRecoverySlices();
    ASSERT_TRUE(counted);
    EXPECT_EQ(counted->value("main").toMap().value("validRecoverySlices").toLongLong(), 2);
    EXPECT_FALSE(counted->value("main").toMap().contains("fileIDArray"));
    EXPECT_FALSE(count.hasData()); // dropped at once
    EXPECT_FALSE(count.recoveryDict().value("7").toMap().contains("recoveryDataOffset"));

    Par2Decoder data;
    data.initWithData(set);
    const auto recovery = data.getRecoveryData();
    ASSERT_TRUE(recovery);
    EXPECT_FALSE(data.hasData());
    EXPECT_EQ(recovery->keys(), QStringList({"3", "7"}));
    // The data is not copied: its place is given, and the later packet wins.
    const QVariantMap seven = recovery->value("7").toMap();
    EXPECT_EQ(seven.value("exponent").toLongLong(), 7);
    EXPECT_EQ(seven.value("recoveryDataLength").toLongLong(), 4);
    EXPECT_EQ(set.mid(seven.value("recoveryDataOffset").toLongLong(), 4), "ijkl");
    const QVariantMap three = recovery->value("3").toMap();
    EXPECT_EQ(set.mid(three.value("recoveryDataOffset").toLongLong(), 4), "efgh");
}

TEST(Par2DecoderPackets, PacketsTooShortForTheirTypeAreSkippedWithAConsoleLine)
{
    MessageCapture console("binorama.par2");
    const QByteArray set = B::packet(B::typeSignature("Main"), QByteArray(8, '\1')) +      // L 72
                           B::packet(B::typeSignature("IFSC"), QByteArray(12, '\1')) +     // L 76
                           B::packet(B::typeSignature("FileDesc"), QByteArray(52, '\1')) + // L 116
                           B::packet(B::typeSignature("RecvSlic"), QByteArray()) +         // L 64
                           B::packet(B::typeSignature("Creator"), QByteArray()) +          // L 64: fine
                           B::unknownPacket(B::typeSignature("CommASCI"), "hello   ") +
                           B::unknownPacket("something else!", "") + B::creatorPacket("last");
    Par2Decoder d;
    d.initWithData(set);
    EXPECT_FALSE(d.getFileList());
    EXPECT_FALSE(d.mainDict().contains("sliceSize"));
    EXPECT_TRUE(d.ifscDict().isEmpty());
    EXPECT_TRUE(d.filedescDict().isEmpty());
    EXPECT_TRUE(d.recoveryDict().isEmpty());
    EXPECT_EQ(d.creatorDict().value("creatorName").toString(), "last");
    EXPECT_EQ(d.mainDict().value("setID").toString(), hex(B::defaultSetID()));
    EXPECT_EQ(console.lines(),
              QStringList({
                  "Par2Decoder::decodeMain Datasize too small for a Main packet (24)",
                  "Par2Decoder::decodeIFSC Datasize too small for a IFSC packet (28)",
                  "Par2Decoder::decodeFileDesc Datasize too small for a FileDesc packet (68)",
                  "Par2Decoder::decodeRecovery Datasize too small for a Recovery packet (16)",
                  "Par2Decoder::processPacket comment_ascii_signature",
                  "Par2Decoder::processPacket Unknown Packet",
              }));

    // The exact minimums are decoded.
    Par2Decoder m;
    m.initWithData(B::mainPacket(1, {}) + B::ifscPacket(B::id(1), {}) + B::recoveryPacket(1, {}));
    m.setDataRequest(Par2Decoder::FullDump);
    m.getFileList();
    EXPECT_EQ(m.mainDict().value("totalFiles").toLongLong(), 0);
    EXPECT_EQ(m.ifscDict().value(hex(B::id(1))).toMap().value("totalSlices").toLongLong(), 0);
    EXPECT_TRUE(m.recoveryDict().contains("1"));
    // A description of exactly 120 bytes has no name and yields no record.
    Par2Decoder n;
    n.initWithData(B::packet(B::typeSignature("FileDesc"), QByteArray(56, '\2')));
    n.getFileList();
    EXPECT_TRUE(n.filedescDict().isEmpty());
}

TEST(Par2DecoderPackets, ChecksumArraysFollowTheMode)
{
    const QByteArray set = twoFileSet();
    Par2Decoder d;
    d.initWithData(set);
    d.getFileList();
    EXPECT_TRUE(d.ifscDict().value(hex(B::id(1))).toMap().value("crc32Array").toList().isEmpty());

    d.setDataRequest(Par2Decoder::FullDump);
    d.getFileList();
    EXPECT_EQ(d.ifscDict().value(hex(B::id(1))).toMap().value("crc32Array").toList(),
              QVariantList({0x11u, 0x22u}));
    EXPECT_EQ(d.ifscDict().value(hex(B::id(2))).toMap().value("crc32Array").toList(), QVariantList({0x33u}));

    const auto crcs = d.getCRC32DataForFileID(hex(B::id(1)));
    ASSERT_TRUE(crcs);
    EXPECT_EQ(*crcs, QList<quint32>({0x11, 0x22}));
    EXPECT_TRUE(d.ifscDict().value(hex(B::id(2))).toMap().value("crc32Array").toList().isEmpty());
    EXPECT_FALSE(d.getCRC32DataForFileID(hex(B::id(5))));
    EXPECT_EQ(d.getCRC32DataForFileID(hex(B::id(2)).toUpper()), QList<quint32>({0x33}));
}

TEST(Par2DecoderPackets, DebugDumpAndMissingFiles)
{
    MessageCapture console("binorama.par2");
    Par2Decoder d;
    d.initWithData(twoFileSet());
    EXPECT_EQ(d.getDebug(), QVariantMap());
    const QStringList lines = console.lines();
    ASSERT_EQ(lines.size(), 5);
    EXPECT_TRUE(lines[0].startsWith("mainDict:"));
    EXPECT_TRUE(lines[4].startsWith("creatorDict:"));
    EXPECT_TRUE(lines[4].contains("Made by hand"));

    console.clear();
    Par2Decoder missing;
    missing.initWithUrl("/nonexistent/set.par2");
    EXPECT_EQ(console.lines(),
              QStringList({"Par2Decoder::initWithUrl File does not exists: /nonexistent/set.par2"}));
    EXPECT_FALSE(missing.hasData());
    EXPECT_FALSE(missing.getFileList());
    EXPECT_FALSE(missing.countRecoverySlices());
    EXPECT_FALSE(missing.getRecoveryData());
    EXPECT_FALSE(missing.getCRC32DataForFileID(hex(B::id(1))));
}

TEST(Par2DecoderPackets, OversizedDescriptivePacketIsNotHeld)
{
    MessageCapture console("binorama.par2");
    const QByteArray huge = B::creatorPacket(QByteArray((32 << 20) + 4, 'c'));
    Par2Decoder d;
    d.initWithData(huge + B::mainPacket(4096, {}));
    d.getFileList();
    EXPECT_TRUE(d.creatorDict().isEmpty());
    EXPECT_EQ(d.mainDict().value("sliceSize").toLongLong(), 4096);
    EXPECT_TRUE(console.contains(
        QStringLiteral("Par2Decoder::processPacket Packet too large to decode (%1)").arg(huge.size())));
}

// The names of a set are returned as they stand; what may touch the disk is
// the reduced form.
TEST(Par2DecoderNames, HostileNamesAreOfferedAsOneSafeComponent)
{
    const auto list = fileListOf(B::mainPacket(4096, {B::id(1), B::id(2), B::id(3)}) +
                                 B::fileDescPacket(B::id(1), kMd5A, kMd5A, 1, "../../x") +
                                 B::fileDescPacket(B::id(2), kMd5A, kMd5A, 1, "/etc/passwd") +
                                 B::fileDescPacket(B::id(3), kMd5A, kMd5A, 1, ".."));
    ASSERT_TRUE(list);
    QStringList names, safe;
    for (const QVariant& f : list->value("files").toList()) {
        names << f.toMap().value("filename").toString();
        safe << f.toMap().value("safeFilename").toString();
    }
    EXPECT_EQ(names, QStringList({"..", "../../x", "/etc/passwd"}));
    EXPECT_EQ(safe, QStringList({"", "x", "passwd"}));
}

TEST(Par2DecoderNames, SafeFilenameTable)
{
    const QString cjk(100, QChar(0x6F22)); // 300 bytes of UTF-8
    struct Case
    {
        QString in;
        QString out;
    };
    const Case cases[] = {
        {"../../x", "x"},
        {"a/b/c.rar", "c.rar"},
        {"..\\..\\win.exe", "win.exe"},
        {"dir/..", ""},
        {"dir/.", ""},
        {"..", ""},
        {".", ""},
        {"", ""},
        {"dir/", ""},
        {QString::fromUtf8("a\nb\r\tc\x01\x7f"), "abc"},
        {QString("x") + QChar(0) + "y", "xy"},
        {QString::fromUtf8("\xc2\x85name"), "name"}, // C1 control (NEL)
        {".hidden", ".hidden"},
        {"normal name (1).txt", "normal name (1).txt"},
        {QString(300, 'x') + ".rar", QString(251, 'x') + ".rar"},
        {QString(300, 'x'), QString(255, 'x')},
        {cjk + ".mkv", QString(83, QChar(0x6F22)) + ".mkv"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in.toStdString());
        const QString safe = Par2Decoder::safeFilename(c.in);
        EXPECT_EQ(safe, c.out);
        EXPECT_LE(safe.toUtf8().size(), 255);
        EXPECT_FALSE(safe.contains('/'));
    }
}

TEST(Par2DecoderNames, NameBytesAreReadAsUtf8OrElseLatin1UpToTheFirstNul)
{
    const auto list = fileListOf(B::mainPacket(4096, {B::id(1), B::id(2), B::id(3)}) +
                                 B::fileDescPacket(B::id(1), kMd5A, kMd5A, 1, "caf\xc3\xa9.txt") +
                                 B::fileDescPacket(B::id(2), kMd5A, kMd5A, 1, "na\xefve.txt") +
                                 B::fileDescPacket(B::id(3), kMd5A, kMd5A, 1, QByteArray("cut\0here", 8)));
    ASSERT_TRUE(list);
    EXPECT_EQ(fileNames(*list), QStringList({QString::fromUtf8("caf\xc3\xa9.txt"), "cut",
                                             QString::fromLatin1("na\xefve.txt")}));
}
