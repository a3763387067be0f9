// The builder's encryption checked without a RAR tool: the key derivation
// against vectors computed by an independent RAR 3.x reader, and the stored
// data and headers decrypted back with OpenSSL.
#include "support/Rar4Builder.h"
#include "postprocess/Rar4Info.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <openssl/evp.h>
#include <zlib.h>

namespace {

QByteArray decrypt(const QByteArray& data, const QByteArray& keyAndIv)
{
    QByteArray out(data.size() + 16, '\0');
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    const auto* k = reinterpret_cast<const unsigned char*>(keyAndIv.constData());
    EVP_DecryptInit_ex(ctx, EVP_aes_128_cbc(), nullptr, k, k + 16);
    EVP_CIPHER_CTX_set_padding(ctx, 0);
    int n = 0, m = 0;
    EVP_DecryptUpdate(ctx, reinterpret_cast<unsigned char*>(out.data()), &n,
                      reinterpret_cast<const unsigned char*>(data.constData()), int(data.size()));
    EVP_DecryptFinal_ex(ctx, reinterpret_cast<unsigned char*>(out.data()) + n, &m);
    EVP_CIPHER_CTX_free(ctx);
    out.resize(n + m);
    return out;
}

quint32 crc(const QByteArray& b)
{
    return quint32(::crc32(0, reinterpret_cast<const Bytef*>(b.constData()), uInt(b.size())));
}

quint32 u32(const QByteArray& b, qsizetype at)
{
    return quint32(quint8(b[at])) | quint32(quint8(b[at + 1])) << 8 | quint32(quint8(b[at + 2])) << 16 |
           quint32(quint8(b[at + 3])) << 24;
}

quint16 u16(const QByteArray& b, qsizetype at)
{
    return quint16(quint8(b[at]) | quint8(b[at + 1]) << 8);
}

QByteArray pattern(int size)
{
    QByteArray b(size, '\0');
    for (int i = 0; i < size; ++i)
        b[i] = char((i * 7 + i / 251) & 0xff);
    return b;
}

} // namespace

TEST(Rar4Builder, KeyDerivationMatchesKnownVectors)
{
    struct Case
    {
        QString password;
        QByteArray salt, key, iv;
    };
    const Case cases[] = {
        {"s3cret", QByteArray::fromHex("cff4c093751ac217"),
         QByteArray::fromHex("3035aa949233f5c27d092adfb5de147e"),
         QByteArray::fromHex("b1703816ee5a6884aa37185f66ba4b49")},
        {QString::fromUtf8("pässwörd 東"), QByteArray::fromHex("0001020304050607"),
         QByteArray::fromHex("cc2a4560eb7223fd5c3088c5c88d7575"),
         QByteArray::fromHex("d4068573f1be38ae3e5399aa84902704")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Rar4Builder::rar3KeyAndIv(c.password, c.salt).toHex(), (c.key + c.iv).toHex());
}

TEST(Rar4Builder, EncryptedDataDecryptsToTheFile)
{
    TempHome home;
    const QByteArray data = pattern(1000);
    const QByteArray archive = Rar4Builder().addFile("a.bin", data).setPassword("pw").build();
    Rar4Info info;
    info.setFiledata(archive);
    ASSERT_TRUE(info.isPasswordProtected());
    ASSERT_EQ(info.blocks().size(), 3);
    const QVariantMap file = info.blocks()[2];
    const quint64 start = file.value("offset").toULongLong();
    const quint16 headSize = u16(file.value("head_size").toByteArray(), 0);
    const quint64 pack = file.value("add_size").toULongLong();
    EXPECT_EQ(pack, 1008u) << "padded to whole AES blocks";
    EXPECT_EQ(u16(file.value("head_flags").toByteArray(), 0), 0x8404) << "long block, salt, password";
    const QByteArray salt = archive.mid(qsizetype(start + headSize - 8), 8);
    const QByteArray plain = decrypt(archive.mid(qsizetype(start + headSize), qsizetype(pack)),
                                     Rar4Builder::rar3KeyAndIv("pw", salt));
    EXPECT_EQ(plain.left(data.size()), data);
    EXPECT_EQ(u32(archive, qsizetype(start) + 7 + 9), crc(data)) << "FILE_CRC is that of the plain file";
}

TEST(Rar4Builder, EncryptedHeadersDecryptToValidHeaders)
{
    const QByteArray data = pattern(100);
    const QByteArray archive =
        Rar4Builder().addFile("hidden.bin", data).setPassword("pw").setEncryptedHeaders(true).build();
    ASSERT_EQ(quint8(archive[9]), 0x73);
    EXPECT_EQ(u16(archive, 10) & 0x80, 0x80);
    // After the main header: an 8-byte salt and the file header in AES blocks.
    const QByteArray salt = archive.mid(20, 8);
    const QByteArray head = decrypt(archive.mid(28, 64), Rar4Builder::rar3KeyAndIv("pw", salt));
    ASSERT_EQ(quint8(head[2]), 0x74);
    const quint16 headSize = u16(head, 5);
    EXPECT_EQ(headSize, 7 + 25 + 10 + 8);
    EXPECT_EQ(u16(head, 0), quint16(crc(head.mid(2, headSize - 2)) & 0xffff));
    EXPECT_EQ(head.mid(32, 10), "hidden.bin");
}

TEST(Rar4Builder, VolumesCutOneStreamAndCheckEachPiece)
{
    const QByteArray data = pattern(2500);
    for (bool crypt : {false, true}) {
        Rar4Builder b;
        b.addFile("v.bin", data);
        if (crypt) b.setPassword("pw");
        const QList<QByteArray> vols = b.buildVolumes(1000);
        ASSERT_EQ(vols.size(), 3) << crypt;
        QByteArray stream;
        for (qsizetype v = 0; v < vols.size(); ++v) {
            const QByteArray& vol = vols[v];
            const quint16 mainFlags = u16(vol, 10);
            EXPECT_EQ(mainFlags & 0x0111, v == 0 ? 0x0111 : 0x0011) << "volume, new numbering, first volume";
            const quint16 flags = u16(vol, 23);
            const quint16 headSize = u16(vol, 25);
            const quint32 pack = u32(vol, 27);
            const QByteArray piece = vol.mid(20 + headSize, qsizetype(pack));
            const bool last = v == vols.size() - 1;
            EXPECT_EQ(flags & 0x03, (v > 0 ? 0x01 : 0) | (last ? 0 : 0x02));
            EXPECT_EQ(u32(vol, 27 + 4), quint32(data.size())) << "UNP_SIZE is the whole file";
            EXPECT_EQ(u32(vol, 27 + 9), last ? crc(data) : crc(piece));
            stream += piece;
            // End block: "next volume" on all but the last.
            EXPECT_EQ(quint8(vol[vol.size() - 5]), 0x7b);
            EXPECT_EQ(u16(vol, vol.size() - 4) & 0x01, last ? 0 : 1);
        }
        if (crypt) {
            const QByteArray salt = vols[0].mid(20 + u16(vols[0], 25) - 8, 8);
            EXPECT_EQ(decrypt(stream, Rar4Builder::rar3KeyAndIv("pw", salt)).left(data.size()), data);
        } else {
            EXPECT_EQ(stream, data);
        }
    }
    EXPECT_EQ(Rar4Builder::volumeNames("Show", 3, Rar4Builder::Naming::OldStyle),
              (QStringList{"Show.rar", "Show.r00", "Show.r01"}));
}
