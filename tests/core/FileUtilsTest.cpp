#include "core/FileUtils.h"

#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

TEST(FileUtilsCreateFolder, ExistingFoldersAndNumberedAlternatives)
{
    TempHome home;
    const QString show = QDir(home.downloadsPath()).filePath("Show");
    EXPECT_EQ(FileUtils::createFolder(show, false), show);
    EXPECT_TRUE(QFileInfo(show).isDir());
    EXPECT_EQ(FileUtils::createFolder(show, false), show); // reused as it is
    EXPECT_EQ(FileUtils::createFolder(show, true), show + ".1");
    EXPECT_EQ(FileUtils::createFolder(show, true), show + ".2");
    EXPECT_EQ(FileUtils::createFolder(QString(), true), QString());
    // Missing parents are made too.
    const QString deep = QDir(home.downloadsPath()).filePath("a/b/c");
    EXPECT_EQ(FileUtils::createFolder(deep, false), deep);
}

TEST(FileUtilsCreateFolder, LongNamesAreCutToTheComponentLimit)
{
    TempHome home;
    const QString longAscii(300, 'x');
    const QString made = FileUtils::createFolder(QDir(home.downloadsPath()).filePath(longAscii), false);
    ASSERT_FALSE(made.isEmpty());
    EXPECT_EQ(QFileInfo(made).fileName(), QString(255, 'x'));
    EXPECT_EQ(QFileInfo(made).path(), home.downloadsPath());

    // Three-byte characters are never cut in the middle; four-byte ones
    // (surrogate pairs) neither.
    const QString cjk = QString(100, QChar(0x6F22));
    const QString madeCjk = FileUtils::createFolder(QDir(home.downloadsPath()).filePath(cjk), false);
    ASSERT_FALSE(madeCjk.isEmpty());
    EXPECT_EQ(QFileInfo(madeCjk).fileName(), QString(85, QChar(0x6F22)));
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80").repeated(70);
    EXPECT_EQ(FileUtils::truncateToUtf8Bytes(emoji, 255).toUtf8().size(), 252);

    // An alternative of a name at the limit stays within it.
    const QString again = FileUtils::createFolder(QDir(home.downloadsPath()).filePath(longAscii), true);
    EXPECT_EQ(QFileInfo(again).fileName(), QString(253, 'x') + ".1");
}

TEST(FileUtilsCreateFolder, FailureGivesNoFolder)
{
    TempHome home;
    const QString file = QDir(home.downloadsPath()).filePath("plain");
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    EXPECT_EQ(FileUtils::createFolder(file + "/below", false), QString());
}
