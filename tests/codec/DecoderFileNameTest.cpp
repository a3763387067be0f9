#include "codec/DecoderFileName.h"

#include <gtest/gtest.h>

TEST(DecoderFileName, ReducesToOneSafeComponent)
{
    struct Case
    {
        QByteArray raw;
        QString want;
    };
    const Case cases[] = {
        {"plain.rar", QStringLiteral("plain.rar")},
        {"../../x", QStringLiteral("x")},
        {"/etc/passwd", QStringLiteral("passwd")},
        {"dir/sub/", QString()}, // a folder, not a file
        {"..", QString()},
        {".", QString()},
        {"a/..", QString()},
        {"/", QString()},
        {"", QString()},
        {".hidden", QStringLiteral(".hidden")},
        {"...", QStringLiteral("...")},
        {QByteArray("na\0me\r\n.bin", 11), QStringLiteral("name.bin")},
        {"tab\there\x7f.bin", QStringLiteral("tabhere.bin")},
        {"\xC3\xA9t\xC3\xA9.mkv", QStringLiteral("\u00e9t\u00e9.mkv")},
        {"\xC2\x85next.bin", QStringLiteral("next.bin")}, // a C1 control
        {"latin1 \xE9t\xE9.bin", QStringLiteral("latin1 \u00e9t\u00e9.bin")}, // not UTF-8: Latin-1
        {"back\\slash.bin", QStringLiteral("slash.bin")}, // names made on Windows carry folders after "\\"
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecoderFileName::fromArticleBytes(c.raw), c.want) << c.raw.constData();
    EXPECT_EQ(DecoderFileName::safeComponent(QStringLiteral("Re: a/b ../../c.nfo")), QStringLiteral("c.nfo"));
}

TEST(DecoderFileName, CutsLongNamesKeepingTheExtension)
{
    const QString stem(300, u'\u00e9'); // two bytes each
    const QString name = DecoderFileName::safeComponent(stem + QStringLiteral(".part01.rar"));
    EXPECT_LE(name.toUtf8().size(), DecoderFileName::kMaxBytes);
    EXPECT_GE(name.toUtf8().size(), DecoderFileName::kMaxBytes - 1);
    EXPECT_TRUE(name.endsWith(QStringLiteral(".rar")));
    const QString noExtension = DecoderFileName::safeComponent(QString(400, u'a'));
    EXPECT_EQ(noExtension.toUtf8().size(), DecoderFileName::kMaxBytes);
    const QString longExtension = DecoderFileName::safeComponent(QStringLiteral("a.") + QString(400, u'b'));
    EXPECT_EQ(longExtension.toUtf8().size(), DecoderFileName::kMaxBytes);
}
