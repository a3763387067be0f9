// The reader against PAR2 sets made by the real par2 (par2cmdline).
#include "postprocess/Par2Decoder.h"

#include "support/Par2PacketBuilder.h"
#include "support/Par2SetMaker.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtEndian>

#include <zlib.h>

using B = Par2PacketBuilder;

namespace {

constexpr qint64 kSlice = 4096;

bool writeAll(const QString& path, const QByteArray& data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

QString md5Hex(QByteArrayView b)
{
    return QString::fromLatin1(QCryptographicHash::hash(b, QCryptographicHash::Md5).toHex());
}

// a.bin is shorter than 16 KiB, b.bin longer; 7 recovery blocks spread over
// the volumes par2 chooses (vol0+1, vol1+2, vol3+4).
class RealSet : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!Par2SetMaker::isAvailable()) GTEST_SKIP() << "par2 is not installed";
        ASSERT_TRUE(dir_.isValid());
        ASSERT_TRUE(Par2SetMaker::writeFiles(dir_.path(), {{"b.bin", 40000}, {"a.bin", 10000}}, 42));
        QString output;
        files_ = Par2SetMaker::create(dir_.path(), "set", {"a.bin", "b.bin"}, kSlice, 7, &output);
        ASSERT_GE(files_.size(), 2) << output.toStdString();
    }

    QString path(const QString& name) const { return dir_.filePath(name); }
    QString index() const { return files_.first(); }
    QStringList volumes() const { return files_.mid(1); }

    QTemporaryDir dir_;
    QStringList files_;
};

std::optional<QVariantMap> fileListOfFile(const QString& path)
{
    Par2Decoder d;
    d.initWithUrl(path);
    return d.getFileList();
}

std::optional<QVariantMap> fileListOfData(const QByteArray& data)
{
    Par2Decoder d;
    d.initWithData(data);
    return d.getFileList();
}

} // namespace

TEST_F(RealSet, IndexFileGivesTheSetAsParWroteIt)
{
    const QByteArray bytes = fileBytes(index());
    const QList<B::Packet> packets = B::split(bytes);
    ASSERT_EQ(packets.size(), 6);
    QMap<QByteArray, QList<B::Packet>> byType;
    for (const B::Packet& p : packets)
        byType[p.type].append(p);
    ASSERT_EQ(byType.value(B::typeSignature("Main")).size(), 1);
    ASSERT_EQ(byType.value(B::typeSignature("FileDesc")).size(), 2);
    ASSERT_EQ(byType.value(B::typeSignature("IFSC")).size(), 2);
    ASSERT_EQ(byType.value(B::typeSignature("Creator")).size(), 1);
    EXPECT_TRUE(byType.value(B::typeSignature("RecvSlic")).isEmpty());

    const auto list = fileListOfFile(index());
    ASSERT_TRUE(list);
    EXPECT_EQ(fileListOfData(bytes), list); // the same from bytes in memory

    const QVariantMap main = list->value("main").toMap();
    EXPECT_EQ(main.value("setID").toString(), QString::fromLatin1(bytes.mid(32, 16).toHex()));
    EXPECT_EQ(main.value("totalFiles").toLongLong(), 2);
    EXPECT_EQ(main.value("sliceSize").toLongLong(), kSlice);
    EXPECT_EQ(main.value("totalPackageSlices").toLongLong(), 3 + 10);
    EXPECT_EQ(main.value("validRecoverySlices").toLongLong(), 0); // an index file holds none
    const QVariantMap creator = list->value("creator").toMap();
    EXPECT_EQ(creator.value("parVersion").toString(), "PAR 2.0");
    EXPECT_EQ(creator.value("creatorName").toString(), "Created by par2cmdline version 0.8.1.");

    // Slice counts agree with the lengths of the checksum packets.
    QMap<QString, qint64> slicesByID;
    for (const B::Packet& p : byType.value(B::typeSignature("IFSC")))
        slicesByID[QString::fromLatin1(bytes.mid(p.offset + 64, 16).toHex())] = qint64(p.length - 80) / 20;

    const QVariantList files = list->value("files").toList();
    ASSERT_EQ(files.size(), 2);
    const struct
    {
        const char* name;
        qint64 size;
        qint64 slices;
    } expected[] = {{"a.bin", 10000, 3}, {"b.bin", 40000, 10}};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(expected[i].name);
        const QVariantMap f = files[i].toMap();
        const QByteArray content = fileBytes(path(expected[i].name));
        EXPECT_EQ(f.value("filename").toString(), expected[i].name);
        EXPECT_EQ(f.value("safeFilename").toString(), expected[i].name);
        EXPECT_EQ(f.value("bytes").toLongLong(), expected[i].size);
        EXPECT_EQ(f.value("totalSlices").toLongLong(), expected[i].slices);
        EXPECT_EQ(slicesByID.value(f.value("fileID").toString()), expected[i].slices);
        EXPECT_EQ(f.value("md5").toString(), md5Hex(content));
        EXPECT_EQ(f.value("md5").toString(), Par2Utils::MD5StringForFile(path(expected[i].name)));
        EXPECT_EQ(f.value("md516k").toString(),
                  md5Hex(QByteArrayView(content).first(std::min<qsizetype>(content.size(), 16384))));
        EXPECT_EQ(f.value("md516k").toString(), Par2Utils::MD516kStringForFile(path(expected[i].name)));
        EXPECT_EQ(f.value("md516k").toString(), Par2Utils::MD516kStringForData(content));
    }
    // Shorter than 16 KiB: both digests cover the whole file; longer: not.
    EXPECT_EQ(files[0].toMap().value("md516k"), files[0].toMap().value("md5"));
    EXPECT_NE(files[1].toMap().value("md516k"), files[1].toMap().value("md5"));

    Par2Decoder d;
    d.initWithUrl(index());
    EXPECT_EQ(d.getRecoveryData(), QVariantMap());
}

TEST_F(RealSet, SliceChecksumsAreTheCrcOfEachZeroPaddedSlice)
{
    const auto list = fileListOfFile(index());
    ASSERT_TRUE(list);
    for (const QVariant& v : list->value("files").toList()) {
        const QVariantMap f = v.toMap();
        SCOPED_TRACE(f.value("filename").toString().toStdString());
        const QByteArray content = fileBytes(path(f.value("filename").toString()));
        QList<quint32> expected;
        for (qint64 at = 0; at < content.size(); at += kSlice) {
            QByteArray slice = content.mid(at, kSlice);
            slice.resize(kSlice, '\0');
            expected << quint32(
                crc32(0, reinterpret_cast<const Bytef*>(slice.constData()), uInt(slice.size())));
        }
        Par2Decoder d;
        d.initWithUrl(index());
        EXPECT_EQ(d.getCRC32DataForFileID(f.value("fileID").toString()), expected);
    }
    Par2Decoder d;
    d.initWithUrl(index());
    EXPECT_FALSE(d.getCRC32DataForFileID("0123456789abcdef0123456789abcdef"));
}

TEST_F(RealSet, RecoveryVolumesCarryTheirCountAndExponents)
{
    ASSERT_EQ(volumes().size(), 3);
    const QRegularExpression volName(R"(\.vol(\d+)\+(\d+)\.par2$)");
    qint64 all = 0;
    for (const QString& volume : volumes()) {
        SCOPED_TRACE(volume.toStdString());
        const QRegularExpressionMatch m = volName.match(volume);
        ASSERT_TRUE(m.hasMatch());
        const qint64 first = m.captured(1).toLongLong();
        const qint64 count = m.captured(2).toLongLong();
        all += count;

        Par2Decoder counter;
        counter.initWithUrl(volume);
        const auto counted = counter.countRecoverySlices();
        ASSERT_TRUE(counted);
        EXPECT_FALSE(counter.hasData());
        EXPECT_EQ(counted->value("main").toMap().value("validRecoverySlices").toLongLong(), count);
        EXPECT_EQ(counted->value("main").toMap().value("totalFiles").toLongLong(), 2);

        Par2Decoder reader;
        reader.initWithUrl(volume);
        const auto recovery = reader.getRecoveryData();
        ASSERT_TRUE(recovery);
        ASSERT_EQ(recovery->size(), count);
        const QByteArray bytes = fileBytes(volume);
        for (qint64 e = first; e < first + count; ++e) {
            const QVariantMap r = recovery->value(QString::number(e)).toMap();
            ASSERT_FALSE(r.isEmpty()) << e;
            EXPECT_EQ(r.value("exponent").toLongLong(), e);
            const qint64 offset = r.value("recoveryDataOffset").toLongLong();
            EXPECT_EQ(r.value("recoveryDataLength").toLongLong(), kSlice);
            EXPECT_EQ(qFromLittleEndian<quint32>(bytes.constData() + offset - 4), quint32(e));
            EXPECT_EQ(bytes.mid(offset - 68, 8), QByteArray("PAR2\0PKT", 8));
        }
        // A volume repeats the set's description.
        const auto list = fileListOfFile(volume);
        ASSERT_TRUE(list);
        EXPECT_EQ(list->value("files").toList().size(), 2);
        EXPECT_EQ(list->value("main").toMap().value("validRecoverySlices").toLongLong(), count);
    }
    EXPECT_EQ(all, 7);
}

TEST_F(RealSet, DamagedPacketsAreSkipped)
{
    const QByteArray bytes = fileBytes(index());
    const QList<B::Packet> packets = B::split(bytes);
    auto damaged = [&](const QByteArray& type) {
        QByteArray copy = bytes;
        for (const B::Packet& p : packets) {
            if (p.type == B::typeSignature(type)) {
                copy[p.offset + qint64(p.length) - 9] = char(copy[p.offset + qint64(p.length) - 9] ^ 0x40);
                break;
            }
        }
        return copy;
    };
    // One description damaged: the set no longer adds up, but the checksum
    // packets after it are still read.
    {
        Par2Decoder d;
        d.initWithData(damaged("FileDesc"));
        EXPECT_FALSE(d.getFileList());
        EXPECT_EQ(d.filedescDict().size(), 1);
        EXPECT_EQ(d.ifscDict().size(), 2);
        EXPECT_FALSE(d.creatorDict().isEmpty());
    }
    // The creator damaged: the files are all there, the creator is not.
    {
        const auto list = fileListOfData(damaged("Creator"));
        ASSERT_TRUE(list);
        EXPECT_EQ(list->value("files").toList().size(), 2);
        EXPECT_TRUE(list->value("creator").toMap().isEmpty());
    }
    // A damaged recovery slice in a volume is not counted.
    {
        const QString volume = volumes().last();
        QByteArray copy = fileBytes(volume);
        const B::Packet first = B::split(copy).first();
        ASSERT_EQ(first.type, B::typeSignature("RecvSlic"));
        copy[first.offset + 2000] = char(copy[first.offset + 2000] ^ 1);
        ASSERT_TRUE(writeAll(volume, copy));
        Par2Decoder d;
        d.initWithUrl(volume);
        EXPECT_EQ(d.countRecoverySlices()->value("main").toMap().value("validRecoverySlices").toLongLong(),
                  3);
    }
}

TEST_F(RealSet, TruncatedFilesKeepThePacketsBeforeTheCut)
{
    // The index cut inside its last packet (the creator).
    const QByteArray bytes = fileBytes(index());
    const B::Packet last = B::split(bytes).last();
    ASSERT_EQ(last.type, B::typeSignature("Creator"));
    const QString cutIndex = path("cut.par2");
    ASSERT_TRUE(writeAll(cutIndex, bytes.left(last.offset + 40)));
    const auto list = fileListOfFile(cutIndex);
    ASSERT_TRUE(list);
    EXPECT_EQ(list->value("files").toList().size(), 2);
    EXPECT_TRUE(list->value("creator").toMap().isEmpty());

    // The largest volume cut in the middle of its last recovery slice.
    const QByteArray vol = fileBytes(volumes().last());
    const QList<B::Packet> packets = B::split(vol);
    qint64 lastSlice = -1, before = 0;
    for (const B::Packet& p : packets) {
        if (p.type == B::typeSignature("RecvSlic")) {
            if (lastSlice >= 0) ++before;
            lastSlice = p.offset;
        }
    }
    ASSERT_GT(lastSlice, 0);
    const QString cutVolume = path("cutvol.par2");
    ASSERT_TRUE(writeAll(cutVolume, vol.left(lastSlice + 1000)));
    Par2Decoder d;
    d.initWithUrl(cutVolume);
    EXPECT_EQ(d.countRecoverySlices()->value("main").toMap().value("validRecoverySlices").toLongLong(),
              before);

    // Junk in front of the whole file.
    const QString junk = path("junk.par2");
    ASSERT_TRUE(writeAll(junk, QByteArray(70000, 'J') + bytes));
    EXPECT_EQ(fileListOfFile(junk), fileListOfFile(index()));
}
