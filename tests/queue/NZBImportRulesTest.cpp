#include "core/FileUtils.h"
#include "platform/UserDefaults.h"
#include "queue/NZBController.h"
#include "queue/NZBParser.h"
#include "queue/Queue.h"

#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

struct PasswordCase
{
    const char* title;
    bool settingOn;
    const char* expectedTitle;
    std::optional<const char*> expectedPassword;
};

class PasswordInTitle : public ::testing::TestWithParam<PasswordCase>
{
protected:
    TempHome home;
};

TEST_P(PasswordInTitle, TakesTheLastGroupAndCleansTheTitle)
{
    const PasswordCase& c = GetParam();
    UserDefaults::standard().setBool(c.settingOn, "enableCheckForPasswordInNZBTitle");
    const QueuePtr root = Queue::create();
    root->setTitle(QString::fromUtf8(c.title));
    NZBController::checkForPasswordInFileName(root);
    EXPECT_EQ(root->title(), QString::fromUtf8(c.expectedTitle));
    if (c.expectedPassword) {
        EXPECT_TRUE(root->hasPassword());
        EXPECT_EQ(root->password(), QString::fromUtf8(*c.expectedPassword));
    } else {
        EXPECT_FALSE(root->hasPassword());
        EXPECT_TRUE(root->password().isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, PasswordInTitle,
                         ::testing::Values(PasswordCase{"Name {{pw}}", true, "Name ", "pw"},
                                           // The title is cleaned even when passwords are not taken from it.
                                           PasswordCase{"Name {{pw}}", false, "Name ", std::nullopt},
                                           // Too little would be left: the title stays as it was.
                                           PasswordCase{"{{ab}}", true, "{{ab}}", "ab"},
                                           PasswordCase{"A {{x}} B {{y}}", true, "A  B ", "y"},
                                           PasswordCase{"Plain.Title", true, "Plain.Title", std::nullopt},
                                           // An empty group is no password.
                                           PasswordCase{"Name{{}}", true, "Name", std::nullopt}));

struct SubjectCase
{
    std::optional<const char*> subject; // nothing: the attribute is absent
    const char* expected;
};

class NameFromSubject : public ::testing::TestWithParam<SubjectCase>
{
};

TEST_P(NameFromSubject, IsOneSafeComponent)
{
    const SubjectCase& c = GetParam();
    const QString subject = c.subject ? QString::fromUtf8(*c.subject) : QString();
    EXPECT_EQ(NZBParser::filenameFromSubject(subject), QString::fromUtf8(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NameFromSubject,
    ::testing::Values(SubjectCase{"[01/50] - \"show.part01.rar\" yEnc (1/120)", "show.part01.rar"},
                      SubjectCase{"\"first.nfo\" then \"second.rar\" (1/2)", "second.rar"},
                      SubjectCase{"name (01/50)", "name "}, SubjectCase{"name [3/7] x", "name  x"},
                      SubjectCase{"no counters here", "no counters here"},
                      SubjectCase{std::nullopt, "no_filename_found"}, SubjectCase{"", "no_filename_found"},
                      // A quoted name may span a line end; the line end does not reach the disk.
                      SubjectCase{"a \"multi\nline.rar\" b", "multi_line.rar"},
                      SubjectCase{"x \"../../.config/autostart/evil.desktop\" yEnc",
                                  ".._.._.config_autostart_evil.desktop"},
                      SubjectCase{"\"..\" yEnc (1/1)", "no_filename_found"},
                      // A subject copied from an article's header in encoded-words, as
                      // posters write names beyond ASCII: the name is found in the decoded text.
                      SubjectCase{"Holiday - =?UTF-8?B?IsOcbsOvY29kZSDinJM=?= file.bin\" yEnc (1/1)",
                                  "\u00dcn\u00efcode \u2713 file.bin"},
                      SubjectCase{"=?ISO-8859-1?Q?=22caf=E9=2Erar=22?= yEnc (1/3)", "caf\u00e9.rar"}));

TEST(NameFromSubjectRules, CountersAreRemovedFromTheLastToTheFirst)
{
    EXPECT_EQ(NZBParser::makeCleanFilename("a (1/2) b [3/4] c"), "a  b  c");
    EXPECT_EQ(NZBParser::makeCleanFilename(QString()), "no_filename_found");
    EXPECT_FALSE(NZBParser::filterFilename("no quotes").has_value());
}

QueuePtr jobWithParts(const QStringList& names)
{
    const QueuePtr root = Queue::create();
    QList<QueuePtr> parts;
    for (const QString& name : names) {
        const QueuePtr part = Queue::create();
        part->setIsFilepart(true);
        part->setQueue(root);
        part->setFilename(name);
        part->setIspar(FileUtils::checkIfPar2File(name));
        part->setIsSampleFile(FileUtils::checkIfSampleFile(name));
        if (part->ispar()) part->setRepairblocks(FileUtils::getRepairBlocks(name));
        parts.append(part);
    }
    root->setFileparts(parts);
    return root;
}

QStringList namesOf(const QueuePtr& root)
{
    QStringList names;
    for (const QueuePtr& p : root->fileparts())
        names.append(p->filename());
    return names;
}

TEST(SortFilePartArray, IndexFilesThenOthersThenVolumesEachPartOnce)
{
    TempHome home;
    const QStringList names = {"b.rar",
                               "x.vol01+02.par2.1",
                               "Set.par2",
                               "a.rar",
                               "Set.vol03+04.par2",
                               "Set.vol00+01.par2",
                               "Album.Vol.2.par2",
                               "B.nfo",
                               "x.vol01+02.par2",
                               "X.VOL05-06.PAR2"};
    const QueuePtr root = jobWithParts(names);
    NZBParser::sortFilePartArray(root);
    const QStringList sorted = namesOf(root);
    EXPECT_EQ(sorted,
              (QStringList{// index files, in file order; "Album.Vol.2" is not a volume
                           "x.vol01+02.par2.1", "Set.par2", "Album.Vol.2.par2",
                           // the rest by plain comparison: capitals first
                           "B.nfo", "a.rar", "b.rar",
                           // recovery volumes, by plain comparison
                           "Set.vol00+01.par2", "Set.vol03+04.par2", "X.VOL05-06.PAR2", "x.vol01+02.par2"}));
    // A partition: nothing lost, nothing twice.
    EXPECT_EQ(sorted.size(), names.size());
    for (const QString& name : names)
        EXPECT_EQ(sorted.count(name), 1) << name.toStdString();
}

TEST(EmbeddedNZB, OnlyWhenEveryPartEndsInLowerCaseNzb)
{
    TempHome home;
    EXPECT_TRUE(NZBParser::checkIfEmbeddedNZB(jobWithParts({"a.nzb", "b.nzb"})));
    EXPECT_FALSE(NZBParser::checkIfEmbeddedNZB(jobWithParts({"a.nzb", "B.NZB"})));
    EXPECT_FALSE(NZBParser::checkIfEmbeddedNZB(jobWithParts({"a.nzb", "a.nfo"})));
    EXPECT_FALSE(NZBParser::checkIfEmbeddedNZB(jobWithParts({"nzb"})));
    EXPECT_FALSE(NZBParser::checkIfEmbeddedNZB(jobWithParts({})));
}

TEST(SampleFiles, OnlySamplesAndRepairFiles)
{
    TempHome home;
    EXPECT_TRUE(NZBParser::checkIfNZBOnlyContainsSampleFiles(jobWithParts({"x.sample.mkv", "x.par2"})));
    EXPECT_FALSE(NZBParser::checkIfNZBOnlyContainsSampleFiles(jobWithParts({"x.sample.mkv", "x.mkv"})));
}

} // namespace
