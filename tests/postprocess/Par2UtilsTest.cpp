#include "postprocess/Par2Utils.h"

#include "support/MessageCapture.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

namespace {

const QString kMd5OfNothing = "d41d8cd98f00b204e9800998ecf8427e";

QString md5Hex(QByteArrayView b)
{
    return QString::fromLatin1(QCryptographicHash::hash(b, QCryptographicHash::Md5).toHex());
}

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& data)
{
    QFile f(dir.filePath(name));
    if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size()) return QString();
    return f.fileName();
}

QByteArray randomBytes(qsizetype n, quint32 seed)
{
    QRandomGenerator rng(seed);
    QByteArray b(n, Qt::Uninitialized);
    for (qsizetype i = 0; i < n; ++i)
        b[i] = char(rng.generate());
    return b;
}

} // namespace

TEST(Par2Utils, DigestsOfData)
{
    MessageCapture console("binorama.par2");
    EXPECT_EQ(Par2Utils::MD5StringForData("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(Par2Utils::MD5StringForData(QByteArray("")), kMd5OfNothing);
    EXPECT_FALSE(Par2Utils::MD5ValueForData(QByteArray()));
    EXPECT_EQ(Par2Utils::MD5StringForData(QByteArray()), QString());
    EXPECT_EQ(console.lines(), QStringList({"Par2Utils::MD5ValueForData Filedata is empty",
                                            "Par2Utils::MD5ValueForData Filedata is empty"}));

    const QByteArray ten = "0123456789";
    EXPECT_EQ(Par2Utils::MD516kStringForData(ten), md5Hex(ten));
    EXPECT_EQ(Par2Utils::MD516kStringForData(QByteArray("")), kMd5OfNothing);
    const QByteArray big = randomBytes(20000, 1);
    EXPECT_EQ(Par2Utils::MD516kStringForData(big), md5Hex(QByteArrayView(big).first(16384)));
    EXPECT_EQ(Par2Utils::MD5StringForData(big), md5Hex(big));
    const QByteArray exact = randomBytes(16384, 2);
    EXPECT_EQ(Par2Utils::MD516kStringForData(exact), Par2Utils::MD5StringForData(exact));
    EXPECT_EQ(Par2Utils::MD5ValueForData("abc")->size(), 16);
}

TEST(Par2Utils, DigestsOfFiles)
{
    QTemporaryDir dir;
    const QByteArray shortData = randomBytes(10000, 3);
    const QByteArray longData = randomBytes(3 * (1 << 20) + 17, 4); // crosses the read blocks
    const QString shortFile = writeFile(dir, "short.bin", shortData);
    const QString longFile = writeFile(dir, "long.bin", longData);
    const QString emptyFile = writeFile(dir, "empty.bin", QByteArray());

    EXPECT_EQ(Par2Utils::MD5StringForFile(shortFile), md5Hex(shortData));
    EXPECT_EQ(Par2Utils::MD5StringForFile(longFile), md5Hex(longData));
    EXPECT_EQ(Par2Utils::MD516kStringForFile(shortFile), md5Hex(shortData));
    EXPECT_EQ(Par2Utils::MD516kStringForFile(longFile), md5Hex(QByteArrayView(longData).first(16384)));
    // An empty file: its whole-file MD5 is that of no bytes, its 16 KiB MD5
    // is nothing, since no byte could be read.
    EXPECT_EQ(Par2Utils::MD5StringForFile(emptyFile), kMd5OfNothing);
    EXPECT_EQ(Par2Utils::MD516kStringForFile(emptyFile), QString());
    EXPECT_FALSE(Par2Utils::MD516kValueForFile(emptyFile));

    for (const QString& missing : {dir.filePath("missing.bin"), QString(), dir.path()}) {
        EXPECT_FALSE(Par2Utils::MD5ValueForFile(missing));
        EXPECT_FALSE(Par2Utils::MD516kValueForFile(missing));
        EXPECT_EQ(Par2Utils::MD5StringForFile(missing), QString());
    }
}

TEST(Par2Utils, ReadErrorsGiveNothing)
{
    // /proc/self/mem opens but fails on reading its first page: a file that
    // exists and cannot be read, even for root.
    MessageCapture console("binorama.par2");
    EXPECT_FALSE(Par2Utils::MD5ValueForFile("/proc/self/mem"));
    EXPECT_FALSE(Par2Utils::MD516kValueForFile("/proc/self/mem"));
    EXPECT_TRUE(console.contains("Par2Utils::MD5ValueForFile Error reading file.. /proc/self/mem"));
}

TEST(Par2Utils, HexText)
{
    EXPECT_EQ(Par2Utils::NSDataToHexString(QByteArray::fromHex("000fa0ff")), "000fa0ff");
    EXPECT_EQ(Par2Utils::NSDataToHexString(QByteArray()), QString());
    EXPECT_EQ(Par2Utils::NSDataToHexString(std::optional<QByteArray>()), QString());
    EXPECT_FALSE(Par2Utils::MD5Data2Data(QByteArray()));
    EXPECT_EQ(Par2Utils::MD5Data2Data("abcd"), QByteArray("abcd"));
}
