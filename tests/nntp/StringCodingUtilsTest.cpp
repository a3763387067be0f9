#include "nntp/StringCodingUtils.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace {

const QString kGoldenServerID = QStringLiteral("17023456789012");
const QString kGoldenSecret = QStringLiteral("sTZSHvsANmGKeI5jMQnDfg%3D%3D:AAECAwQFBgcICQoLDA0ODw%3D%3D");

QByteArray countingBytes(qsizetype length)
{
    QByteArray bytes(length, '\0');
    for (qsizetype i = 0; i < length; ++i)
        bytes[i] = char(i);
    return bytes;
}

} // namespace

TEST(StringCodingUtilsPassPhrase, KeyOfServerIdFollowsTheStoredFormat)
{
    struct Case
    {
        const char* serverID;
        const char* key;
    };
    const Case cases[] = {
        {"0", "00000000000000000000000000000000"},
        {"5", "55555555555555555555555555555555"},
        {"42", "10741074107410741074107410741074"},
        {"12345678", "86187642197522232861876421975222"},
        // From nine characters on the number saturates at 2^64 - 1.
        {"123456789", "18446744073709551615184467440737"},
        {"17023456789012", "18446744073709551615184467440737"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.serverID);
        const auto key = StringCodingUtils::makePassPhrase(QByteArray(c.serverID));
        ASSERT_TRUE(key.has_value());
        EXPECT_EQ(*key, QString::fromLatin1(c.key));
    }
    EXPECT_FALSE(StringCodingUtils::makePassPhrase(QByteArray()).has_value());
    EXPECT_FALSE(StringCodingUtils::makePassPhrase(QByteArray("")).has_value());
}

TEST(StringCodingUtilsPassword, GoldenVectorWithFixedIv)
{
    int requested = 0;
    const auto secret =
        StringCodingUtils::encryptString(QStringLiteral("secret"), kGoldenServerID, [&](qsizetype length) {
            requested = int(length);
            return countingBytes(length);
        });
    ASSERT_TRUE(secret.has_value());
    EXPECT_EQ(requested, 16);
    EXPECT_EQ(*secret, kGoldenSecret);

    const auto password = StringCodingUtils::decryptString(kGoldenSecret, kGoldenServerID);
    ASSERT_TRUE(password.has_value());
    EXPECT_EQ(*password, QStringLiteral("secret"));
}

TEST(StringCodingUtilsPassword, SamePasswordTwiceGivesTwoTextsThatBothDecrypt)
{
    const QString id = QStringLiteral("1700000000001");
    const auto first = StringCodingUtils::encryptString(QStringLiteral("hunter2"), id);
    const auto second = StringCodingUtils::encryptString(QStringLiteral("hunter2"), id);
    ASSERT_TRUE(first.has_value());
    ASSERT_TRUE(second.has_value());
    EXPECT_NE(*first, *second);
    EXPECT_NE(first->section(QLatin1Char(':'), 1), second->section(QLatin1Char(':'), 1));
    EXPECT_EQ(StringCodingUtils::decryptString(*first, id), QStringLiteral("hunter2"));
    EXPECT_EQ(StringCodingUtils::decryptString(*second, id), QStringLiteral("hunter2"));
}

TEST(StringCodingUtilsPassword, RoundTripsLatin1PasswordsOfEveryLength)
{
    const QString id = QStringLiteral("42");
    const QStringList passwords = {
        QStringLiteral("x"),
        QStringLiteral("exactly16bytes!!"),
        QStringLiteral("p\u00e4ss:w+rd=/?&%\u00ff"),
        QStringLiteral("a very long password that spans several cipher blocks, with blanks"),
        QStringLiteral("'quoted' \"twice\""),
    };
    for (const QString& password : passwords) {
        SCOPED_TRACE(password.toStdString());
        const auto secret = StringCodingUtils::encryptString(password, id);
        ASSERT_TRUE(secret.has_value());
        // The stored text escapes only "+" and "=" of the Base64 alphabet.
        EXPECT_FALSE(secret->contains(QLatin1Char('+')));
        EXPECT_FALSE(secret->contains(QLatin1Char('=')));
        EXPECT_EQ(secret->count(QLatin1Char(':')), 1);
        EXPECT_EQ(StringCodingUtils::decryptString(*secret, id), password);
    }
}

TEST(StringCodingUtilsPassword, RefusesPasswordsOutsideLatin1)
{
    EXPECT_FALSE(StringCodingUtils::encryptString(QStringLiteral("\u20acuro"), kGoldenServerID).has_value());
    EXPECT_FALSE(StringCodingUtils::encryptString(QStringLiteral("secret"), QString()).has_value());
}

TEST(StringCodingUtilsPassword, BadOrTamperedSecretsReadBackAsNoPassword)
{
    // Ciphertext of "secret" with one byte changed, and the same block cut short.
    QByteArray cipher = QByteArray::fromBase64("sTZSHvsANmGKeI5jMQnDfg==");
    QByteArray flipped = cipher;
    flipped[15] = char(flipped[15] ^ 0x5A);
    const QString flippedText = StringCodingUtils::urlEncodeString(QString::fromLatin1(flipped.toBase64())) +
                                QStringLiteral(":AAECAwQFBgcICQoLDA0ODw%3D%3D");
    const QString shortText =
        StringCodingUtils::urlEncodeString(QString::fromLatin1(cipher.left(15).toBase64())) +
        QStringLiteral(":AAECAwQFBgcICQoLDA0ODw%3D%3D");

    struct Case
    {
        const char* what;
        QString stored;
        QString serverID;
    };
    const Case cases[] = {
        {"empty", QString(), kGoldenServerID},
        {"no colon", QStringLiteral("sTZSHvsANmGKeI5jMQnDfg%3D%3D"), kGoldenServerID},
        {"IV of 15 bytes", QStringLiteral("sTZSHvsANmGKeI5jMQnDfg%3D%3D:AAECAwQFBgcICQoLDA0O"),
         kGoldenServerID},
        {"IV not Base64", QStringLiteral("sTZSHvsANmGKeI5jMQnDfg%3D%3D:AAECAwQF*gcICQoLDA0ODw%3D%3D"),
         kGoldenServerID},
        {"IV unpadded", QStringLiteral("sTZSHvsANmGKeI5jMQnDfg%3D%3D:AAECAwQFBgcICQoLDA0ODw"),
         kGoldenServerID},
        {"cipher not Base64", QStringLiteral("sTZSHvsANm#KeI5jMQnDfg%3D%3D:AAECAwQFBgcICQoLDA0ODw%3D%3D"),
         kGoldenServerID},
        {"malformed escape", QStringLiteral("sTZSHvsANmGKeI5jMQnDfg%3D%3:AAECAwQFBgcICQoLDA0ODw%3D%3D"),
         kGoldenServerID},
        {"escape of invalid UTF-8",
         QStringLiteral("sTZSHvsANmGKeI5jMQnDfg%FF%3D:AAECAwQFBgcICQoLDA0ODw%3D%3D"), kGoldenServerID},
        {"empty cipher", QStringLiteral(":AAECAwQFBgcICQoLDA0ODw%3D%3D"), kGoldenServerID},
        {"cipher cut short", shortText, kGoldenServerID},
        {"cipher byte changed", flippedText, kGoldenServerID},
        {"another server's key", kGoldenSecret, QStringLiteral("12345678")},
        {"no key", kGoldenSecret, QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(StringCodingUtils::decryptString(c.stored, c.serverID).has_value());
    }
}

TEST(StringCodingUtilsPassword, UsesFirstAndLastPieceOfTheStoredText)
{
    const QString withMiddle =
        QStringLiteral("sTZSHvsANmGKeI5jMQnDfg%3D%3D:ignored:AAECAwQFBgcICQoLDA0ODw%3D%3D");
    EXPECT_EQ(StringCodingUtils::decryptString(withMiddle, kGoldenServerID), QStringLiteral("secret"));
}

TEST(StringCodingUtilsPassword, CipherStepRejectsWrongKeyAndIvSizes)
{
    const QString key = QStringLiteral("18446744073709551615184467440737");
    EXPECT_EQ(StringCodingUtils::aesEncryptString(QStringLiteral("secret"), key, countingBytes(16)),
              QStringLiteral("sTZSHvsANmGKeI5jMQnDfg=="));
    EXPECT_FALSE(
        StringCodingUtils::aesEncryptString(QStringLiteral("secret"), key.left(31), countingBytes(16)));
    EXPECT_FALSE(StringCodingUtils::aesEncryptString(QStringLiteral("secret"), key, countingBytes(8)));
    const QByteArray cipher = QByteArray::fromBase64("sTZSHvsANmGKeI5jMQnDfg==");
    EXPECT_EQ(StringCodingUtils::aesDecryptData(cipher, key, countingBytes(16)), QStringLiteral("secret"));
    EXPECT_FALSE(StringCodingUtils::aesDecryptData(cipher, key, countingBytes(17)));
}

TEST(StringCodingUtilsPassword, RandomDataHasTheAskedLength)
{
    const QByteArray a = StringCodingUtils::randomDataOfLength(16);
    const QByteArray b = StringCodingUtils::randomDataOfLength(16);
    EXPECT_EQ(a.size(), 16);
    EXPECT_NE(a, b);
    EXPECT_TRUE(StringCodingUtils::randomDataOfLength(0).isEmpty());
}

TEST(StringCodingUtilsText, UrlEncodingEscapesOnlyWhatAQueryMustNotHold)
{
    struct Case
    {
        QString in;
        QString out;
    };
    const Case cases[] = {
        {QStringLiteral("ab+/cd=="), QStringLiteral("ab%2B/cd%3D%3D")},
        {QStringLiteral("a&b?c d"), QStringLiteral("a%26b%3Fc%20d")},
        {QStringLiteral("!$'()*,-./:;@_~"), QStringLiteral("!$'()*,-./:;@_~")},
        {QStringLiteral("\u00e9\u20ac"), QStringLiteral("%C3%A9%E2%82%AC")},
        {QString::fromUtf8("\xF0\x9F\x98\x80"), QStringLiteral("%F0%9F%98%80")},
        {QStringLiteral("%#[]"), QStringLiteral("%25%23%5B%5D")},
        {QString(), QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in.toStdString());
        EXPECT_EQ(StringCodingUtils::urlEncodeString(c.in), c.out);
        EXPECT_EQ(StringCodingUtils::urlDecodeString(c.out), c.in);
    }
}

TEST(StringCodingUtilsText, UrlDecodingTurnsPlusIntoBlankAndRefusesBadEscapes)
{
    EXPECT_EQ(StringCodingUtils::urlDecodeString(QStringLiteral("a+b%3d%3D")), QStringLiteral("a b=="));
    EXPECT_EQ(StringCodingUtils::urlDecodeString(QString::fromUtf8("\xF0\x9F\x98\x80x")),
              QString::fromUtf8("\xF0\x9F\x98\x80x"));
    for (const char* bad : {"%", "%4", "%G1", "abc%zz", "%C3", "%FF"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(StringCodingUtils::urlDecodeString(QString::fromLatin1(bad)).has_value());
    }
}

TEST(StringCodingUtilsText, Base64IsStrict)
{
    EXPECT_EQ(StringCodingUtils::encodeDataToBase64String(QByteArray("\x00\x01\x02\x03", 4)),
              QStringLiteral("AAECAw=="));
    EXPECT_FALSE(StringCodingUtils::encodeDataToBase64String(QByteArray()).has_value());
    EXPECT_EQ(StringCodingUtils::encodeDataToBase64String(QByteArray("")), QString());

    EXPECT_EQ(StringCodingUtils::decodeBase64StringToData(QStringLiteral("AAECAw==")),
              QByteArray("\x00\x01\x02\x03", 4));
    EXPECT_EQ(StringCodingUtils::decodeBase64StringToData(QStringLiteral("+/+/")),
              QByteArray("\xfb\xff\xbf"));
    EXPECT_EQ(StringCodingUtils::decodeBase64StringToData(QStringLiteral("")), QByteArray());
    for (const char* bad : {"AAECAw", "AAE CAw=", "AA=CAw==", "AAECA===", "AAEC\nAw==", "AAECAw-_"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(StringCodingUtils::decodeBase64StringToData(QString::fromLatin1(bad)).has_value());
    }
    EXPECT_FALSE(StringCodingUtils::decodeBase64StringToData(QString()).has_value());
    EXPECT_FALSE(StringCodingUtils::decodeBase64StringToData(QStringLiteral("AA\u00e9=")).has_value());
}

TEST(StringCodingUtilsText, HexBytesAndRepetition)
{
    EXPECT_EQ(StringCodingUtils::NSDataToHexString(QByteArray("\x00\xab\x7f", 3)), QStringLiteral("00ab7f"));
    EXPECT_EQ(StringCodingUtils::NSDataToHexString(QByteArray()), QString());
    EXPECT_EQ(StringCodingUtils::stringToData(QStringLiteral("\u00e9")), QByteArray("\xc3\xa9"));
    EXPECT_FALSE(StringCodingUtils::stringToData(QString()).has_value());
    EXPECT_EQ(StringCodingUtils::convertString(QStringLiteral("abc"), 7), QStringLiteral("abcabca"));
    EXPECT_EQ(StringCodingUtils::convertString(QStringLiteral("abcdef"), 3), QStringLiteral("abc"));
    EXPECT_EQ(StringCodingUtils::convertString(QString(), 5), QString());
}
