#include "core/FileUtils.h"

#include "platform/UserDefaults.h"
#include "support/LogFileReader.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

struct FileNames : ::testing::Test
{
    TempHome home;
    QString downloads = home.downloadsPath();

    QString in(const QString& relative) const { return QDir(downloads).filePath(relative); }
    static void touch(const QString& path)
    {
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    // Whether `path`, resolved, lies below the download folder.
    bool inside(const QString& path) const
    {
        const QString real = QFileInfo(path).canonicalFilePath();
        return !real.isEmpty() && real.startsWith(QFileInfo(downloads).canonicalFilePath() + "/");
    }
};

} // namespace

TEST_F(FileNames, NewsgroupsAndFolderNamesFromTitles)
{
    EXPECT_EQ(FileUtils::formatNewsGroups("alt.binaries.teevee,alt.binaries.misc"), "a.b.teevee");
    EXPECT_EQ(FileUtils::formatNewsGroups("alt.binaries.hdtv.x264"), "a.b.hdtv.x264");
    EXPECT_EQ(FileUtils::formatNewsGroups(""), "newsgroup");
    EXPECT_EQ(FileUtils::formatNewsGroups(","), "newsgroup");

    struct Case
    {
        const char* title;
        const char* want;
    };
    const Case cases[] = {
        {"[1/9] - \"first.part1.rar\" yEnc (1/50) \"second.rar\"", "second.rar"},
        {"  My Show S01E02 \t", "My Show S01E02"},
        {"a \"   \" b", "a     b"}, // a stretch of blanks is no candidate; the quotes go
        {"\"\" \" \"", "no_name"},  // quotes and blanks only
        {"x \"\" y", "x  y"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FileUtils::formatFolder(QString::fromUtf8(c.title)), QString::fromUtf8(c.want)) << c.title;
    EXPECT_EQ(LogFileReader(home.logFilePath()).linesWithMessage("Folder name is empty.").size(), 1);
}

TEST_F(FileNames, HostileNamesBecomeOneComponent)
{
    struct Case
    {
        QString name;
        QString want;
    };
    const QString nul = QString(QChar(0)) + "x";
    const Case cases[] = {
        {"../../x", ".._.._x"},
        {"..", "F"},
        {".", "F"},
        {"", "F"},
        {"/", "_"},
        {"a/b", "a_b"},
        {"/etc/passwd", "_etc_passwd"},
        {nul, "_x"},
        {"line\nbreak\ttab\x7f", "line_break_tab_"},
        {"...", "..."},
        {".hidden", ".hidden"},
        {"normal name.mkv", "normal name.mkv"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FileUtils::safePathComponent(c.name, "F"), c.want) << c.name.toStdString();

    // The cut is by UTF-8 bytes of the last component, on a character
    // boundary.
    const QString long300(300, 'n');
    EXPECT_EQ(FileUtils::safePathComponent(long300, "F").toUtf8().size(), 255);
    const QString umlauts(200, QChar(0xE4)); // two bytes each
    const QString cut = FileUtils::safePathComponent(umlauts, "F");
    EXPECT_EQ(cut, QString(127, QChar(0xE4)));
}

TEST_F(FileNames, DownloadFoldersStayInsideTheDownloadFolder)
{
    const char* const titles[] = {
        "../../x",
        "..",
        "...",
        ".",
        "x \"../../.config\"",
        "\"../..\"",
        "a/../../b",
        "/etc",
        "sub\x01"
        "dir",
    };
    for (const char* t : titles) {
        const QString folder = FileUtils::getDownloadFolder(QString::fromUtf8(t), "alt.binaries.test");
        ASSERT_FALSE(folder.isEmpty()) << t;
        EXPECT_TRUE(inside(folder)) << t << " -> " << folder.toStdString();
        EXPECT_EQ(QFileInfo(folder).path(), downloads) << t; // exactly one level below
    }
    EXPECT_EQ(QFileInfo(FileUtils::getDownloadFolder("..", "")).fileName(), "no_name");
    EXPECT_EQ(QFileInfo(FileUtils::getDownloadFolder("...", "")).fileName(), "no_name");

    // A 300-byte title gives a 255-byte folder name whatever the length of
    // the download folder's own path.
    const QString title(300, 't');
    const QString made = FileUtils::getDownloadFolder(title, "");
    EXPECT_EQ(QFileInfo(made).fileName(), QString(255, 't'));
    EXPECT_EQ(QFileInfo(made).path(), downloads);
    // Three-byte characters are not cut in the middle.
    const QString wide = FileUtils::getDownloadFolder(QString(120, QChar(0x6F22)), "");
    EXPECT_EQ(QFileInfo(wide).fileName(), QString(85, QChar(0x6F22)));

    // A newsgroup sub-folder is one component too.
    UserDefaults::standard().setInteger(1, "subFolderTypeTag");
    const QString grouped = FileUtils::getDownloadFolder("Show", "../..,alt.binaries.misc");
    EXPECT_TRUE(inside(grouped)) << grouped.toStdString();
    EXPECT_EQ(grouped, in(".._../Show"));
    const QString teevee = FileUtils::getDownloadFolder("Show", "alt.binaries.teevee");
    EXPECT_EQ(teevee, in("a.b.teevee/Show"));
}

TEST_F(FileNames, DownloadFolderRules)
{
    // A leading dot of the title goes; an existing folder is reused.
    EXPECT_EQ(FileUtils::getDownloadFolder(".Show", ""), in("Show"));
    EXPECT_EQ(FileUtils::getDownloadFolder("Show", ""), in("Show"));
    EXPECT_EQ(FileUtils::getDownloadFolder("", ""), downloads);

    UserDefaults::standard().setString(in("missing"), "downloadPath");
    EXPECT_EQ(FileUtils::getDownloadFolder("Show", ""), QString());
    EXPECT_EQ(LogFileReader(home.logFilePath())
                  .linesWithMessage("No write permission in path:" + in("missing"))
                  .size(),
              1);
    UserDefaults::standard().setString(QString(), "downloadPath");
    EXPECT_EQ(FileUtils::getDownloadFolder("Show", ""), QString());
}

TEST_F(FileNames, FinalAndTextFolders)
{
    const QString finals = home.makeFolder("Final");
    UserDefaults::standard().setString(finals, "moveAfterDownloadPath");
    EXPECT_EQ(FileUtils::getMoveAfterDownloadFolder("Show", ""), finals + "/Show");
    EXPECT_EQ(FileUtils::getMoveAfterDownloadFolder("Show", ""), finals + "/Show.1");
    EXPECT_EQ(FileUtils::getMoveAfterDownloadFolder("Show", ""), finals + "/Show.2");
    // The name is kept as given, leading dot too, but it is one component.
    EXPECT_EQ(FileUtils::getMoveAfterDownloadFolder(".Hidden", ""), finals + "/.Hidden");
    EXPECT_EQ(FileUtils::getMoveAfterDownloadFolder("../escape", ""), finals + "/.._escape");
    UserDefaults::standard().setString(QString(), "moveAfterDownloadPath");
    EXPECT_EQ(FileUtils::getMoveAfterDownloadFolder("Show", ""), QString());

    const QString job = home.makeFolder("Downloads/Job");
    EXPECT_EQ(FileUtils::getTextDownloadFolder(job), job + "/comments");
    EXPECT_TRUE(QFileInfo(job + "/comments").isDir());
    EXPECT_EQ(FileUtils::getTextDownloadFolder(job), job + "/comments");
    UserDefaults::standard().setString(QString(), "textFolder");
    EXPECT_EQ(FileUtils::getTextDownloadFolder(job), QString());
}

TEST_F(FileNames, SafeNameFamily)
{
    EXPECT_EQ(FileUtils::makeSafeFilename("..--My:File?.mkv"), "My_File_.mkv");
    EXPECT_EQ(FileUtils::makeSafeFilename("a \"b\" 'c' [d] (e) @f\\g!"), "a \"b\" 'c' [d] (e) @f\\g!");
    EXPECT_EQ(FileUtils::makeSafeFilename(QString::fromUtf8("Caf\xC3\xA9/\xF0\x9F\x98\x80x")), "Caf_x");
    EXPECT_EQ(FileUtils::makeSafeFilename(" . -"), "");
    EXPECT_EQ(FileUtils::makeSafeFilename(""), "");
    EXPECT_EQ(FileUtils::makeSafeFilename(QString(300, 'a')).size(), 250);
    EXPECT_EQ(FileUtils::makeUTF8Filename("a  b"), "a_b");
    EXPECT_EQ(FileUtils::makeUTF8Filename("..x (1).mkv"), "..x_1_.mkv");
    EXPECT_EQ(FileUtils::makeUTF8Filename("a:::b"), "a_b");
}

TEST_F(FileNames, FreeNamesInAFolder)
{
    touch(in("a.mkv"));
    touch(in("a.1.mkv"));
    EXPECT_EQ(FileUtils::createAlternativeFilenameFor(in("a.mkv")), in("a.2.mkv"));
    EXPECT_EQ(FileUtils::createAlternativeFilenameFor(in("free.mkv")), in("free.mkv"));
    EXPECT_EQ(FileUtils::createAlternativeFilenameFor(QString()), QString());
    EXPECT_EQ(LogFileReader(home.logFilePath()).linesWithMessage("Renamed:a.mkv => a.2.mkv").size(), 1);
    // A name without an extension keeps the trailing full stop.
    touch(in("README"));
    EXPECT_EQ(FileUtils::createAlternativeFilenameFor(in("README")), in("README.1."));

    EXPECT_EQ(FileUtils::checkIfFilenameExists("a.mkv", downloads), "a.2.mkv");
    EXPECT_EQ(FileUtils::checkIfFilenameExists("", downloads), "filename");
    EXPECT_EQ(FileUtils::checkIfFilenameExists("../../etc/x", downloads), ".._.._etc_x");
    EXPECT_EQ(LogFileReader(home.logFilePath()).linesWithMessage("Filename:a.mkv => a.2.mkv").size(), 1);
    // A folder of that name makes the name taken as well.
    QDir(downloads).mkdir("dir.bin");
    EXPECT_EQ(FileUtils::checkIfFilenameExists("dir.bin", downloads), "dir.1.bin");
    // The alternative of a name at the component limit stays within it.
    const QString longStem(251, 's');
    touch(in(longStem + ".mkv"));
    const QString alt = FileUtils::checkIfFilenameExists(longStem + ".mkv", downloads);
    EXPECT_EQ(alt.toUtf8().size(), 255);
    EXPECT_TRUE(alt.endsWith(".1.mkv"));
}

TEST_F(FileNames, TheHundredthAlternativeIsNeverTakenWhenItExists)
{
    touch(in("b.nzb"));
    for (int i = 1; i <= 99; ++i)
        touch(in(QString("b.%1.nzb").arg(i)));
    EXPECT_EQ(FileUtils::createAlternativeFilenameFor(in("b.nzb")), in("b.100.nzb"));
    touch(in("b.100.nzb"));
    EXPECT_EQ(FileUtils::createAlternativeFilenameFor(in("b.nzb")), QString());
}

TEST_F(FileNames, FolderAlternativesAndSizes)
{
    EXPECT_EQ(FileUtils::createFolder(in("F"), true), in("F"));
    EXPECT_EQ(FileUtils::createFolder(in("F"), true), in("F.1"));
    // A file where the folder should be is no folder.
    touch(in("plain"));
    EXPECT_EQ(FileUtils::createFolder(in("plain"), false), QString());
    EXPECT_EQ(FileUtils::createFolder(in("plain"), true), in("plain.1"));

    QFile f(in("sized"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(1234, 'x'));
    f.close();
    EXPECT_EQ(FileUtils::getFileSizeForFile(in("sized")), 1234);
    EXPECT_EQ(FileUtils::getFileSizeForFile(in("none")), 0);
}
