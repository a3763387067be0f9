#include "core/FileUtils.h"

#include "support/ArchiveFixtureBuilder.h"
#include "support/LogFileReader.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

namespace {

struct ArchiveTyping : ::testing::Test
{
    TempHome home;
    QString dir = home.makeFolder("fixtures");
    QString at(const QString& name) const { return QDir(dir).filePath(name); }
    QByteArray whole(const QString& path) const
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    int logged(const QString& message) const
    {
        return int(LogFileReader(home.logFilePath()).linesWithMessage(message).size());
    }
};

const QList<ArchiveFixtureBuilder::Entry> kPayload = {
    {"movie.mkv", QByteArray(5000, 'm')},
    {"movie.nfo", QByteArray("about the movie")},
};

} // namespace

TEST_F(ArchiveTyping, RealArchivesByTheirLeadingBytes)
{
    ASSERT_TRUE(ArchiveFixtureBuilder::make7zz(at("set.7z"), kPayload, "7z"));
    ASSERT_TRUE(ArchiveFixtureBuilder::make7zz(at("set.zip"), kPayload, "zip"));
    ASSERT_TRUE(ArchiveFixtureBuilder::makePythonZip(at("py.zip"), kPayload));
    ASSERT_TRUE(ArchiveFixtureBuilder::writeFile(at("set.rar"),
                                                 ArchiveFixtureBuilder::rar4Header() + QByteArray(100, 0)));
    ASSERT_TRUE(ArchiveFixtureBuilder::writeFile(at("set5.rar"),
                                                 ArchiveFixtureBuilder::rar5Header() + QByteArray(100, 0)));
    ASSERT_TRUE(ArchiveFixtureBuilder::writeFile(at("movie.mkv"),
                                                 QByteArray("\x1A\x45\xDF\xA3", 4) + QByteArray(200, 'x')));

    struct Case
    {
        const char* file;
        const char* type;
    };
    const Case cases[] = {
        {"set.7z", "7z"},    {"set.zip", "zip"},   {"py.zip", "zip"},
        {"set.rar", "rar4"}, {"set5.rar", "rar5"}, {"movie.mkv", ""},
    };
    for (const Case& c : cases) {
        const QByteArray head = FileUtils::loadFileData(at(c.file));
        EXPECT_LE(head.size(), 64) << c.file;
        EXPECT_EQ(FileUtils::getArchiveTypeFor(head), QString::fromLatin1(c.type)) << c.file;
    }
    EXPECT_EQ(FileUtils::loadFileData(at("set.7z")), whole(at("set.7z")).left(64));
}

TEST_F(ArchiveTyping, ShortAndOddData)
{
    EXPECT_EQ(FileUtils::getArchiveTypeFor(QByteArray("PK\x03\x04x", 5)), "zip");
    EXPECT_EQ(FileUtils::getArchiveTypeFor(QByteArray("PK\x03\x04", 4)), "zip");
    EXPECT_EQ(FileUtils::getArchiveTypeFor(QByteArray("PK\x03", 3)), "");
    EXPECT_EQ(FileUtils::getArchiveTypeFor(QByteArray()), "");
    // Rar! 1A 07 followed by neither 00 nor 01 00.
    EXPECT_EQ(FileUtils::getArchiveTypeFor(QByteArray("Rar!\x1A\x07\x02\x00", 8)), "");
    // RAR 4 and RAR 5 tell apart by their seventh byte.
    EXPECT_EQ(FileUtils::getArchiveTypeFor(ArchiveFixtureBuilder::rar4Header().left(7)), "rar4");
    EXPECT_EQ(FileUtils::getArchiveTypeFor(ArchiveFixtureBuilder::rar5Header().left(8)), "rar5");

    // Too short to compare a longer signature: no type, one error line.
    EXPECT_EQ(FileUtils::getArchiveTypeFor(QByteArray("Rar!\x1A", 5)), "");
    EXPECT_EQ(LogFileReader(home.logFilePath()).linesContaining("[ERROR]").size(), 1);

    ASSERT_TRUE(ArchiveFixtureBuilder::writeFile(at("empty"), QByteArray()));
    EXPECT_TRUE(FileUtils::loadFileData(at("empty")).isEmpty());
    EXPECT_TRUE(FileUtils::loadFileData(at("missing")).isEmpty());
    EXPECT_EQ(logged("Error reading file:" + at("missing")), 1);
}

TEST_F(ArchiveTyping, OfficeDocumentsAndBooksAreNoArchives)
{
    ASSERT_TRUE(ArchiveFixtureBuilder::makeOfficeDocument(at("letter.docx")));
    EXPECT_EQ(FileUtils::getArchiveTypeFor(FileUtils::loadFileData(at("letter.docx"))), "");
    EXPECT_EQ(logged("Skipped extracting zip file with Microsoft signature (like .docx)"), 1);
    EXPECT_TRUE(FileUtils::checkZipForMicrosoftSignature(whole(at("letter.docx"))));
    EXPECT_FALSE(
        FileUtils::checkZipForMicrosoftSignature(QByteArray("[Content_Types].xml"))); // under 48 bytes

    ASSERT_TRUE(ArchiveFixtureBuilder::makeEpub(at("book.epub")));
    const QByteArray book = whole(at("book.epub"));
    EXPECT_TRUE(FileUtils::checkZipForEpubSignature(book));
    EXPECT_EQ(FileUtils::getArchiveTypeFor(book), "");
    EXPECT_EQ(logged("Skipped extracting zip file with Epub signature."), 1);
    // The first 64 bytes hold the marker, but the test needs 120 bytes: the
    // head of a book alone reads as a zip (the set builders skip ".epub").
    const QByteArray head = FileUtils::loadFileData(at("book.epub"));
    EXPECT_TRUE(head.contains("application/epub+zip"));
    EXPECT_FALSE(FileUtils::checkZipForEpubSignature(head));
    EXPECT_EQ(FileUtils::getArchiveTypeFor(head), "zip");
}

TEST(RepairBlocks, CountsFromVolumeNames)
{
    struct Case
    {
        const char* name;
        qint64 blocks;
    };
    const Case cases[] = {
        {"name.vol007+08.par2", 8},
        {"name.vol00-01.par2", 1},
        {"name.vol3_12.PAR2", 12},
        {"NAME.VOL127+128.par2", 128},
        {"a.vol1+2.par2.b.vol3+4.par2", 4}, // the last one counts
        {"set.par2", 0},
        {"Album.Vol.2.par2", 0},
        {"x.vol12.par2", 0},
        {"", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FileUtils::getRepairBlocks(QString::fromLatin1(c.name)), c.blocks) << c.name;
}
