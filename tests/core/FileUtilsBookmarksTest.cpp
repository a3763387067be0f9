#include "core/FileUtils.h"
#include "core/PropertyListFile.h"

#include "platform/UserDefaults.h"
#include "support/LogFileReader.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

namespace {

struct Bookmarks : ::testing::Test
{
    TempHome home;
    QString file = UserDefaults::standard().stringForKey("bookMarksFilePath");

    QByteArray contents() const
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    int logged(const QString& message) const
    {
        return int(LogFileReader(home.logFilePath()).linesWithMessage(message).size());
    }
};

} // namespace

TEST_F(Bookmarks, FoldersAreKeptPerSettingsKey)
{
    ASSERT_EQ(file, home.appSupportPath() + "/bookmarks.plist");
    const QString watch = home.makeFolder("Watch & <Folder>");
    UserDefaults::standard().setString(watch, "watchFolderPath");

    FileUtils::saveBookMark("downloadPath");
    FileUtils::saveBookMark("watchFolderPath");
    EXPECT_EQ(FileUtils::loadBookMark("downloadPath"), home.downloadsPath());
    EXPECT_EQ(FileUtils::loadBookMark("watchFolderPath"), watch);
    EXPECT_EQ(FileUtils::loadBookMark("moveAfterDownloadPath"), QString());
    EXPECT_EQ(logged("Adding " + watch + " to bookmarks"), 1);

    const QByteArray xml = contents();
    EXPECT_TRUE(xml.startsWith("<?xml")) << xml.constData();
    EXPECT_TRUE(xml.contains("<plist version=\"1.0\">"));
    EXPECT_TRUE(xml.contains("<key>watchFolderPath</key>"));
    EXPECT_TRUE(xml.contains("Watch &amp; &lt;Folder&gt;"));
    // Written whole: no temporary file stays beside it.
    EXPECT_EQ(QDir(home.appSupportPath()).entryList({"bookmarks.plist*"}, QDir::Files | QDir::Hidden),
              QStringList({"bookmarks.plist"}));

    // A file that is not a property list counts as empty and is rewritten.
    QFile broken(file);
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not xml at all");
    broken.close();
    EXPECT_EQ(FileUtils::loadBookMark("downloadPath"), QString());
    FileUtils::saveBookMark("downloadPath");
    EXPECT_EQ(PropertyListFile::readDictionary(file).size(), 1);
}

TEST_F(Bookmarks, MissingKeysAndSettingsAreLogged)
{
    FileUtils::saveBookMark("");
    EXPECT_EQ(logged("Filekey is empty."), 1);
    EXPECT_EQ(FileUtils::loadBookMark(""), QString());
    EXPECT_EQ(logged("Filekey is empty"), 1);
    FileUtils::saveBookMark("noSuchFolderSetting");
    EXPECT_EQ(logged("FolderString is empty"), 1);
    UserDefaults::standard().setString("relative/folder", "watchFolderPath");
    FileUtils::saveBookMark("watchFolderPath");
    EXPECT_EQ(logged("FolderUrl is empty"), 1);
    UserDefaults::standard().setString(QString(), "bookMarksFilePath");
    FileUtils::saveBookMark("downloadPath");
    EXPECT_EQ(FileUtils::loadBookMark("downloadPath"), QString());
    EXPECT_EQ(logged("bookMarksFilePath is empty"), 2);
    EXPECT_FALSE(QFile::exists(file));
}

TEST_F(Bookmarks, AccessIsTheWriteTest)
{
    EXPECT_TRUE(FileUtils::enableFileAccessForKey("downloadPath"));
    UserDefaults::standard().setString(home.path() + "/gone", "downloadPath");
    EXPECT_FALSE(FileUtils::enableFileAccessForKey("downloadPath"));
    EXPECT_FALSE(FileUtils::enableFileAccessForKey("noSuchKey"));
}
