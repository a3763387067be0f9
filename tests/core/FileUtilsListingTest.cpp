#include "core/FileUtils.h"

#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace {

struct Listings : ::testing::Test
{
    TempHome home;
    QString root = home.makeFolder("tree");

    void SetUp() override
    {
        for (const char* f : {"b.PAR2", "a.par2", ".hidden.par2", "Show [1].mkv", "Show 1.mkv",
                              "sub/deep.par2", "sub/.dot/inner.par2", "sub/x/y/z.bin"})
            write(at(f));
        QDir().mkpath(at("folder.par2"));
        QDir().mkpath(at("empty"));
        const QString target = home.makeFolder("elsewhere");
        write(QDir(target).filePath("foreign.par2"));
        ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(at("link")).constData()),
                  0);
    }
    static void write(const QString& path)
    {
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QString at(const QString& relative) const { return QDir(root).filePath(relative); }
    QStringList relative(const QStringList& paths, const QString& base) const
    {
        QStringList out;
        for (const QString& p : paths)
            out << QDir(base).relativeFilePath(p);
        return out;
    }
};

} // namespace

TEST_F(Listings, DirectEntriesWithoutHiddenOnes)
{
    const auto all = FileUtils::getFolderContentFor(root);
    ASSERT_TRUE(all);
    EXPECT_EQ(relative(*all, root), QStringList({"Show 1.mkv", "Show [1].mkv", "a.par2", "b.PAR2", "empty",
                                                 "folder.par2", "link", "sub"}));
    EXPECT_FALSE(FileUtils::getFolderContentFor(at("missing")));
    EXPECT_FALSE(FileUtils::getFolderContentFor(QString()));
}

TEST_F(Listings, PatternsMatchNamesCaseInsensitively)
{
    const auto par2 = FileUtils::getFilteredFolderContentFor(root, "*.par2", false);
    ASSERT_TRUE(par2);
    EXPECT_EQ(relative(*par2, root), QStringList({"a.par2", "b.PAR2", "folder.par2"}));

    const auto bracket = FileUtils::getFilteredFolderContentFor(root, "*[1]*", false);
    ASSERT_TRUE(bracket);
    EXPECT_EQ(relative(*bracket, root), QStringList({"Show [1].mkv"}));

    // Recursive: files only, hidden ones included, links not entered.
    const auto deep = FileUtils::getFilteredFolderContentFor(root, "*.par2", true);
    ASSERT_TRUE(deep);
    EXPECT_EQ(relative(*deep, root),
              QStringList({".hidden.par2", "a.par2", "b.PAR2", "sub/.dot/inner.par2", "sub/deep.par2"}));

    // A folder given through a link is listed where it really is.
    const QString via = QDir(home.path()).filePath("via");
    ASSERT_EQ(::symlink(QFile::encodeName(root).constData(), QFile::encodeName(via).constData()), 0);
    const auto resolved = FileUtils::getFilteredFolderContentFor(via, "a.*", false);
    ASSERT_TRUE(resolved);
    EXPECT_EQ(*resolved, QStringList({QFileInfo(root).canonicalFilePath() + "/a.par2"}));
    EXPECT_FALSE(FileUtils::getFilteredFolderContentFor(at("missing"), "*", false));
}

TEST_F(Listings, TreeWalksPutFoldersBeforeTheirContents)
{
    EXPECT_EQ(relative(FileUtils::recursiveFolderScanForUrl(root), root),
              QStringList({"empty", "folder.par2", "sub", "sub/.dot", "sub/x", "sub/x/y"}));
    EXPECT_EQ(relative(FileUtils::recursiveFileScanForUrl(root), root),
              QStringList({".hidden.par2", "Show 1.mkv", "Show [1].mkv", "a.par2", "b.PAR2", "link",
                           "sub/.dot/inner.par2", "sub/deep.par2", "sub/x/y/z.bin"}));
    EXPECT_TRUE(FileUtils::recursiveFileScanForUrl(at("missing")).isEmpty());

    const FileUtils::FileCounts counts = FileUtils::analizeFileList(*FileUtils::getFolderContentFor(root));
    EXPECT_EQ(counts.dirs, 3); // empty, folder.par2, sub; the link to a folder is no folder
    EXPECT_EQ(counts.files, 5);
}
