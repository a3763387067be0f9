#include "ui/search/tools/NZBExportWC.h"

#include "core/FileUtils.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "search/DeepLookupSocket.h"
#include "search/NZBExportController.h"
#include "search/NZBExportParser.h"
#include "ui/search/tools/NZBExportStepViews.h"

#include "support/DeepLookupReplyBuilder.h"
#include "support/EventLoop.h"
#include "support/Screenshot.h"
#include "support/ScriptedDialogAnswerer.h"
#include "support/ScriptedHttpServer.h"
#include "support/TempHome.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMap>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

#include <memory>

namespace {

const QByteArray kExport = DeepLookupSocket::kNZBExportPath.toLatin1();

// What the scripted service knows of one result: the title its reply gives
// (empty: a result without a title) and how long it takes to answer.
struct Known
{
    QByteArray title;
    int delayMs = 0;
};

QByteArray exportReply(const QByteArray& qid, const QByteArray& title)
{
    using R = DeepLookupReplyBuilder;
    return HttpReply::tabLines({{"INFO", "1|result|ok"},
                                R::exportResult(title, "1000", 1700000000, "alt.binaries.test", "p <p@x>", 1),
                                R::exportFile(title + " [1/1] - \"a.bin\" yEnc (1/1)", "1000", 1700000001),
                                R::exportSegment("mid-" + qid + "@x", "1000", 1)});
}

// The export window over a real NZBExportController, talking to a scripted
// search service on 127.0.0.1 and writing into a folder of its own.
class ExportWindow : public ::testing::Test
{
protected:
    TempHome home;
    ScriptedDialogAnswerer dialogs;
    ScriptedHttpServer service;
    QString folder;
    QMap<QByteArray, Known> known;
    std::unique_ptr<NZBExportWC> window;
    QStringList revealed;

    void SetUp() override
    {
        ASSERT_TRUE(service.start());
        ASSERT_TRUE(DeepLookupSocket::setServiceURLForTesting(service.baseUrl()));
        folder = home.makeFolder("exports");
        UserDefaults::standard().setString(folder, "deepLookupNZBExportPath");
        UserDefaults::standard().setBool(true, "showDialogNZBExportFinishedSuccessfull");
        service.route("POST", kExport, [this](const HttpRequestRecord& request) {
            const QByteArray qid = request.formValue("qid").toLatin1();
            const Known k = known.value(qid);
            return HttpReply::text(exportReply(qid, k.title)).withDelay(k.delayMs);
        });
    }
    void TearDown() override
    {
        window.reset();
        spinEventLoop(20);
        DeepLookupSocket::setServiceURLForTesting(QUrl());
    }

    // A search result as the result tree holds it; the service knows it
    // under `qid` with `title`.
    QueuePtr result(const QByteArray& qid, const QByteArray& title, int delayMs = 0)
    {
        known[qid] = {title, delayMs};
        QueuePtr r = Queue::create();
        r->setQid(QString::fromLatin1(qid));
        r->setTitle(QString::fromUtf8(title) + QStringLiteral(" (1 file)"));
        r->setTitleSuffix(QStringLiteral(" (1 file)"));
        return r;
    }
    void open(const QList<QueuePtr>& results, bool merge)
    {
        UserDefaults::standard().setBool(merge, "deepLookupNZBExportMerge");
        window = std::make_unique<NZBExportWC>();
        window->setRevealHandler([this](const QString& path) { revealed << path; });
        window->setQueuearray(results);
        window->showWindow();
    }
    NZBExportStepViews* steps() const { return window->containerView(); }
    QPushButton* startButton() const
    {
        return steps()->startButtons().at(steps()->currentStep() == NZBExportStepViews::MergeStep ? 0 : 1);
    }
    // Starts the export from whichever first step shows and waits for its
    // outcome; false when none came.
    bool runExport()
    {
        QTest::mouseClick(startButton(), Qt::LeftButton);
        return waitUntil([&] { return !window->resultDict().isEmpty(); }, 10000);
    }
    QString outcome() const { return window->resultDict().value("title").toString(); }
    QStringList nzbFiles() const { return QDir(folder).entryList({"*.nzb"}, QDir::Files, QDir::Name); }
    QByteArray nzb(const QString& name) const { return fileBytes(QDir(folder).filePath(name)); }
};

TEST_F(ExportWindow, OffersTheMergeChoiceOnlyForTwoOrMoreResults)
{
    struct Case
    {
        int results;
        bool mergeSetting;
        int step;
    };
    for (const Case c : {Case{1, true, NZBExportStepViews::SingleFileStep},
                         Case{2, true, NZBExportStepViews::MergeStep}, Case{3, false, NZBExportStepViews::MergeStep}}) {
        QList<QueuePtr> list;
        for (int i = 0; i < c.results; ++i) list << result("Q" + QByteArray::number(i), "Title");
        open(list, c.mergeSetting);
        EXPECT_EQ(steps()->currentStep(), c.step) << c.results;
        EXPECT_EQ(steps()->currentWidget(), c.step == NZBExportStepViews::MergeStep ? steps()->mergeView()
                                                                                     : steps()->singleFileView());
        EXPECT_EQ(steps()->radioButtonMergeOn()->isChecked(), c.mergeSetting) << c.results;
        EXPECT_EQ(steps()->radioButtonMergeOff()->isChecked(), !c.mergeSetting) << c.results;
        EXPECT_EQ(steps()->exportFolderLabels().at(0)->toolTip(), folder);
    }
    // The single-file step names the result without its file summary.
    open({result("Q1", "Only.One")}, true);
    EXPECT_EQ(steps()->singleTitleLabel()->text(), "Only.One");

    // The choice is kept for the next export.
    open({result("Q1", "a"), result("Q2", "b")}, true);
    QTest::mouseClick(steps()->radioButtonMergeOff(), Qt::LeftButton);
    EXPECT_FALSE(window->mergeFiles());
    EXPECT_FALSE(UserDefaults::standard().boolForKey("deepLookupNZBExportMerge"));
    QTest::mouseClick(steps()->radioButtonMergeOn(), Qt::LeftButton);
    EXPECT_TRUE(UserDefaults::standard().boolForKey("deepLookupNZBExportMerge"));

    // Any other step number shows the single-file step.
    window->changeViewController(7);
    EXPECT_EQ(steps()->currentWidget(), steps()->singleFileView());
}

TEST_F(ExportWindow, MergesResultsIntoTheFileOfTheFirstWithALowerCasedName)
{
    open({result("Q1", "First RESULT"), result("Q2", "Second"), result("Q3", "Third")}, true);
    ASSERT_TRUE(runExport());
    EXPECT_EQ(outcome(), "NZB export completed");
    EXPECT_EQ(nzbFiles(), QStringList({"first result.nzb"}));
    const QByteArray doc = nzb("first result.nzb");
    for (const char* mid : {"mid-Q1@x", "mid-Q2@x", "mid-Q3@x"})
        EXPECT_TRUE(doc.contains(mid)) << mid;
    EXPECT_EQ(doc.count("</nzb>"), 1);
    EXPECT_EQ(window->exportUrl(), QDir(folder).filePath("first result.nzb"));
    EXPECT_EQ(service.requestsFor(kExport).size(), 3);
    // Two steps per result, and the bar ends full.
    EXPECT_EQ(steps()->progressbar()->maximum(), 6);
    EXPECT_EQ(steps()->progressbar()->value(), 6);
    EXPECT_EQ(steps()->textfieldProgressPercentage()->text(), "100%");
    EXPECT_TRUE(window->queuearray().isEmpty());
    EXPECT_EQ(steps()->currentStep(), NZBExportStepViews::FinishedStep);
    EXPECT_TRUE(steps()->btnShowInFinder()->isEnabled());
    EXPECT_EQ(steps()->textFieldFinishedDetail()->toolTip(), window->exportUrl());
}

TEST_F(ExportWindow, WritesOneFileEachAndNumbersNamesAlreadyTaken)
{
    open({result("Q1", "Same Title"), result("Q2", "Same Title"), result("Q3", "Same Title")}, false);
    ASSERT_TRUE(runExport());
    EXPECT_EQ(outcome(), "NZB export completed");
    EXPECT_EQ(nzbFiles(), QStringList({"same title.1.nzb", "same title.2.nzb", "same title.nzb"}));
    EXPECT_TRUE(nzb("same title.nzb").contains("mid-Q1@x"));
    EXPECT_TRUE(nzb("same title.1.nzb").contains("mid-Q2@x"));
    EXPECT_TRUE(nzb("same title.2.nzb").contains("mid-Q3@x"));
    EXPECT_FALSE(nzb("same title.2.nzb").contains("mid-Q1@x"));
    // The file manager is shown the last file written.
    QTest::mouseClick(steps()->btnShowInFinder(), Qt::LeftButton);
    EXPECT_EQ(revealed, QStringList({QDir(folder).filePath("same title.2.nzb")}));
}

TEST_F(ExportWindow, SkipsAResultWhoseReplyHasNoTitle)
{
    for (const bool merge : {false, true}) {
        for (const QString& f : nzbFiles()) QFile::remove(QDir(folder).filePath(f));
        open({result("Q1", "One"), result("Q2", ""), result("Q3", "Three")}, merge);
        ASSERT_TRUE(runExport());
        EXPECT_EQ(outcome(), "NZB export completed") << merge;
        EXPECT_EQ(service.requestsFor(kExport).size(), merge ? 6 : 3);
        EXPECT_EQ(nzbFiles(), merge ? QStringList({"one.nzb"}) : QStringList({"one.nzb", "three.nzb"}));
        EXPECT_FALSE(nzb("one.nzb").contains("mid-Q2@x"));
        EXPECT_EQ(nzb("one.nzb").contains("mid-Q3@x"), merge);
    }
}

// Cancelling while the second result is asked for ends the export there;
// whatever the controller still reports afterwards changes nothing.
TEST_F(ExportWindow, CancelDuringTheSecondResultEndsTheExportAndIgnoresLateReplies)
{
    const QueuePtr second = result("Q2", "Second", 4000);
    open({result("Q1", "First"), second, result("Q3", "Third")}, false);
    QTest::mouseClick(startButton(), Qt::LeftButton);
    ASSERT_TRUE(service.waitForRequests(2, 10000));
    EXPECT_EQ(steps()->currentStep(), NZBExportStepViews::ProgressStep);
    EXPECT_EQ(steps()->textfieldCurrentTitle()->text(), "Second");
    EXPECT_EQ(steps()->textfieldProgressPercentage()->text(), "50%");
    QTest::mouseClick(steps()->btnCancel(), Qt::LeftButton);

    EXPECT_EQ(outcome(), "NZB export was cancelled");
    EXPECT_EQ(window->resultDict().value("result").toInt(), 0);
    EXPECT_TRUE(window->isCancelled());
    EXPECT_EQ(steps()->currentStep(), NZBExportStepViews::FinishedStep);
    EXPECT_FALSE(steps()->btnShowInFinder()->isEnabled());
    EXPECT_FALSE(steps()->btnNotShowAgain()->isEnabled());
    EXPECT_TRUE(window->queuearray().isEmpty());

    // A reply for the second result that arrives late, and a failure after
    // it, as the controller would report them.
    NZBExportControllerDelegate* late = window->nzbExportController()->delegate();
    ASSERT_TRUE(late);
    late->searchResults(NZBExportParser().parseSearchResult(QString::fromLatin1(exportReply("Q2", "Second"))),
                        second);
    late->searchFailed("Late failure", "", second);
    late->searchCancelledForObj(second);
    spinEventLoop(200);
    EXPECT_EQ(nzbFiles(), QStringList({"first.nzb"}));
    EXPECT_EQ(outcome(), "NZB export was cancelled");
    EXPECT_EQ(service.requestsFor(kExport).size(), 2);
}

TEST_F(ExportWindow, EndsWithTheMessageOfWhatWentWrong)
{
    struct Case
    {
        const char* name;
        std::function<QList<QueuePtr>()> arrange;
        QString message;
    };
    const QList<Case> cases = {
        {"no results", [] { return QList<QueuePtr>(); }, "No objects found to export"},
        {"export folder missing",
         [&] {
             UserDefaults::standard().setString(QDir(folder).filePath("gone"), "deepLookupNZBExportPath");
             return QList<QueuePtr>{result("Q1", "a")};
         },
         "No access to export folder"},
        {"the service reports an error",
         [&] {
             service.enqueue("POST", kExport,
                             HttpReply::text(HttpReply::tabLines({{"INFO", "0|result|ok"}, {"ERROR", "Result has expired"}})));
             return QList<QueuePtr>{result("Q1", "a")};
         },
         "Result has expired"},
        {"the service cannot be reached",
         [&] {
             QTcpServer closed;
             closed.listen(QHostAddress::LocalHost);
             const quint16 port = closed.serverPort();
             closed.close();
             DeepLookupSocket::setServiceURLForTesting(QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port)));
             return QList<QueuePtr>{result("Q1", "a")};
         },
         "Could not connect to DeepLookup server."},
    };
    for (const Case& c : cases) {
        UserDefaults::standard().setString(folder, "deepLookupNZBExportPath");
        open(c.arrange(), true);
        ASSERT_TRUE(runExport()) << c.name;
        EXPECT_EQ(outcome(), c.message) << c.name;
        EXPECT_EQ(window->resultDict().value("result").toInt(), 0) << c.name;
        EXPECT_EQ(steps()->currentStep(), NZBExportStepViews::FinishedStep) << c.name;
        EXPECT_EQ(steps()->textFieldFinishedTitle()->text(), c.message) << c.name;
        EXPECT_FALSE(steps()->btnShowInFinder()->isEnabled()) << c.name;
        EXPECT_FALSE(steps()->btnNotShowAgain()->isEnabled()) << c.name;
        EXPECT_TRUE(nzbFiles().isEmpty()) << c.name;
    }
}

// With the name and all 100 numbered names taken, the export fails and the
// NZB file already there stays as it was.
TEST_F(ExportWindow, NeverWritesOverAnExistingFileWhenNoNumberedNameIsFree)
{
    const auto write = [&](const QString& name, const QByteArray& bytes) {
        QFile f(QDir(folder).filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    write("taken.nzb", "the user's own NZB");
    for (int n = 1; n <= 100; ++n) write(QStringLiteral("taken.%1.nzb").arg(n), "numbered");
    const QString last = QDir(folder).filePath("taken.100.nzb");
    open({result("Q1", "Taken")}, false);
    ASSERT_TRUE(runExport());
    EXPECT_EQ(outcome(), "No write access");
    EXPECT_EQ(nzb("taken.nzb"), QByteArray("the user's own NZB"));
    EXPECT_EQ(fileBytes(last), QByteArray("numbered"));
    EXPECT_EQ(nzbFiles().size(), 101);
}

TEST_F(ExportWindow, TheOutcomeStepCanBeTurnedOffAndThenASuccessClosesTheWindow)
{
    open({result("Q1", "One")}, false);
    QSignalSpy closing(window.get(), &NZBExportWC::windowWillClose);
    ASSERT_TRUE(runExport());
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(steps()->btnNotShowAgain()->isEnabled());
    QTest::mouseClick(steps()->btnNotShowAgain(), Qt::LeftButton);
    EXPECT_FALSE(UserDefaults::standard().boolForKey("showDialogNZBExportFinishedSuccessfull"));
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(closing.size(), 1);
    window->closeWindow();
    EXPECT_EQ(closing.size(), 1);

    open({result("Q2", "Two")}, false);
    QSignalSpy quiet(window.get(), &NZBExportWC::windowWillClose);
    ASSERT_TRUE(runExport());
    EXPECT_EQ(outcome(), "NZB export completed");
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(quiet.size(), 1);
    EXPECT_EQ(nzbFiles(), QStringList({"one.nzb", "two.nzb"}));

    // A failure is shown all the same.
    open({}, false);
    window->btnStartClicked();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(steps()->currentStep(), NZBExportStepViews::FinishedStep);
}

TEST_F(ExportWindow, ClosingOrQuittingDuringTheExportStopsIt)
{
    for (const bool quit : {false, true}) {
        open({result("Q1", "Slow", 1500), result("Q2", "Next")}, false);
        QSignalSpy closing(window.get(), &NZBExportWC::windowWillClose);
        service.clearRequests();
        window->btnStartClicked();
        ASSERT_TRUE(service.waitForRequests(1, 10000));
        if (quit)
            NotificationHub::defaultCenter().post("ApplicationWillTerminate");
        else
            window->close();
        EXPECT_FALSE(window->isVisible()) << quit;
        EXPECT_EQ(closing.size(), 1) << quit;
        spinEventLoop(2500);
        EXPECT_TRUE(nzbFiles().isEmpty()) << quit;
        EXPECT_EQ(service.requestCount(), 1) << quit;
    }
}

// The folder chooser does not block: the window goes on, and the folder
// chosen becomes the export folder, remembered with its bookmark.
TEST_F(ExportWindow, ChoosesTheExportFolderWithAPanelThatDoesNotBlock)
{
    const QString other = home.makeFolder("elsewhere");
    open({result("Q1", "a"), result("Q2", "b")}, true);
    QTest::mouseClick(steps()->changeFolderButtons().at(0), Qt::LeftButton);
    auto* panel = window->findChild<QFileDialog*>("exportFolderPanel");
    ASSERT_TRUE(panel);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->windowModality(), Qt::WindowModal);
    EXPECT_EQ(panel->windowTitle(), "Choose folder");
    EXPECT_EQ(panel->labelText(QFileDialog::Accept), "OK");
    EXPECT_EQ(panel->fileMode(), QFileDialog::Directory);
    EXPECT_TRUE(panel->testOption(QFileDialog::ShowDirsOnly));
    EXPECT_EQ(QDir(panel->directory()).absolutePath(), QDir(folder).absolutePath());

    // Cancelled: nothing changes.
    panel->reject();
    spinEventLoop(20);
    EXPECT_EQ(UserDefaults::standard().stringForKey("deepLookupNZBExportPath"), folder);

    QTest::mouseClick(steps()->changeFolderButtons().at(0), Qt::LeftButton);
    panel = window->findChild<QFileDialog*>("exportFolderPanel");
    ASSERT_TRUE(panel);
    Q_EMIT panel->fileSelected(other);
    EXPECT_EQ(UserDefaults::standard().stringForKey("deepLookupNZBExportPath"), other);
    EXPECT_EQ(FileUtils::loadBookMark("deepLookupNZBExportPath"), other);
    for (QLabel* label : steps()->exportFolderLabels())
        EXPECT_EQ(label->toolTip(), other);
    panel->reject();

    ASSERT_TRUE(runExport());
    EXPECT_EQ(QDir(other).entryList({"*.nzb"}, QDir::Files), QStringList({"a.nzb"}));
}

// The four steps as a user sees them.
TEST_F(ExportWindow, LooksFinishedInEachStep)
{
    open({result("Q1", "Holiday.Photos.2026.Part.One", 3000), result("Q2", "Holiday.Photos.2026.Part.Two"),
          result("Q3", "Holiday.Photos.2026.Part.Three")},
         true);
    spinEventLoop(100);
    saveScreenshot(window->grab().toImage(), "nzb-export-merge.png");

    auto single = std::make_unique<NZBExportWC>();
    single->setQueuearray({result("Q4", "Some.Show.S01E01.1080p.WEB.x264-GROUP")});
    single->showWindow();
    spinEventLoop(100);
    saveScreenshot(single->grab().toImage(), "nzb-export-single.png");
    single.reset();

    QTest::mouseClick(startButton(), Qt::LeftButton);
    ASSERT_TRUE(service.waitForRequests(1, 10000));
    spinEventLoop(200);
    EXPECT_EQ(steps()->currentStep(), NZBExportStepViews::ProgressStep);
    saveScreenshot(window->grab().toImage(), "nzb-export-progress.png");

    ASSERT_TRUE(waitUntil([&] { return !window->resultDict().isEmpty(); }, 15000));
    EXPECT_EQ(outcome(), "NZB export completed");
    spinEventLoop(100);
    saveScreenshot(window->grab().toImage(), "nzb-export-finished.png");

    open({}, true);
    window->btnStartClicked();
    spinEventLoop(100);
    saveScreenshot(window->grab().toImage(), "nzb-export-failed.png");
}

} // namespace
