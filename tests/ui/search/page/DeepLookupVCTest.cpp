#include "ui/search/page/DeepLookupVC.h"

#include "controls/TVLTextField.h"
#include "engine/EngineControllers.h"
#include "core/Utils.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "queue/FODController.h"
#include "queue/FODObject.h"
#include "queue/QueueController.h"
#include "queue/StatusCodes.h"
#include "search/DeepLookupController.h"
#include "search/DeepLookupSocket.h"
#include "search/SearchHistoryController.h"
#include "ui/search/page/BusySearchingWC.h"
#include "ui/search/page/DeepLookupResultActions.h"
#include "ui/search/page/DeepLookupResultFilter.h"
#include "ui/search/page/OutlineCVSearchSubject.h"
#include "ui/search/page/OutlineViewSearch.h"
#include "ui/search/page/OutlineViewSearchModel.h"
#include "ui/search/panes/SearchHistoryVC.h"
#include "ui/search/panes/TableViewSearchHistory.h"
#include "ui/search/tools/NZBExportWC.h"

#include "../SearchPageFixture.h"
#include "support/DeepLookupReplyBuilder.h"
#include "support/EventLoop.h"
#include "support/Screenshot.h"
#include "support/ScriptedDialogAnswerer.h"
#include "support/ScriptedHttpServer.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDateTime>
#include <QFile>
#include <QPainter>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

const QByteArray kSearch = DeepLookupSocket::kSearchPath.toLatin1();
const QByteArray kFids = DeepLookupSocket::kChildFilesPath.toLatin1();

DeepLookupSearchRecord record(const QByteArray& qid, const QByteArray& title, const QByteArray& date,
                              const QByteArray& files = "1")
{
    DeepLookupSearchRecord r;
    r.qid = qid;
    r.fid = "FID-" + qid;
    r.title = title;
    r.date = date;
    r.totalfiles = files;
    return r;
}

HttpReply searchReply(const QByteArray& info, const QList<DeepLookupSearchRecord>& records)
{
    QList<QByteArrayList> rows{{"INFO", info}};
    for (const DeepLookupSearchRecord& r : records) rows << r.fields();
    return HttpReply::text(HttpReply::tabLines(rows));
}

class SearchPage : public SearchPageFixture
{
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(SearchPageFixture::SetUp());
        createPage(1200, 700);
    }
    void beforeEngineStarts() override
    {
        // A user who has seen the hint on content types already.
        UserDefaults::standard().setBool(false, QStringLiteral("showDialogNewsgroupTypes"));
    }

    OutlineViewSearch* tree() const { return page->outLineViewSearch(); }
    OutlineViewSearchModel* model() const { return tree()->resultsModel(); }
    const QList<QueuePtr>& results() const { return engine->deepLookupController()->dpcontentArray(); }

    void search(const QString& words)
    {
        page->searchFieldTitle()->setStringValue(words);
        QTest::keyClick(page->searchFieldTitle()->textField(), Qt::Key_Return);
        ASSERT_TRUE(waitUntil([&] { return idle(); }, 10000));
    }
    QueuePtr byTitle(const QString& title) const
    {
        // Titles carry the summary of their files after them.
        for (const QueuePtr& q : results())
            if (q->title().startsWith(title)) return q;
        return {};
    }
    void select(const QList<QueuePtr>& items)
    {
        tree()->selectionModel()->clearSelection();
        for (const QueuePtr& q : items)
            tree()->selectionModel()->select(model()->indexOf(q),
                                             QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
};

TEST_F(SearchPage, PagesThroughTheResultsByTheDateOfEachPagesLastResult)
{
    service.enqueue("POST", kSearch,
                    searchReply("2|5000|0.12s|x|x|0|0", {record("Q1", "first", "1700000300"),
                                                           record("Q2", "second", "1700000100")}));
    service.enqueue("POST", kSearch,
                    searchReply("1|5000|0.10s|x|x|1000|0", {record("Q3", "third", "1700000050")}));
    service.enqueue("POST", kSearch,
                    searchReply("2|5000|0.12s|x|x|0|0", {record("Q1", "first", "1700000300"),
                                                           record("Q2", "second", "1700000100")}));
    search("holiday");
    ASSERT_EQ(service.requestsFor(kSearch).size(), 1);
    const HttpRequestRecord first = service.requestsFor(kSearch)[0];
    EXPECT_FALSE(first.body.contains("enddate="));
    EXPECT_EQ(first.formValue("offset"), "0");
    EXPECT_EQ(first.formValue("limit"), "1000");
    EXPECT_EQ(page->labelResultsFound()->text(), "Range: 0 - 2 (0.12s)");
    EXPECT_TRUE(page->btnNextPage()->isEnabled());
    EXPECT_FALSE(page->btnPreviousPage()->isEnabled());
    EXPECT_EQ(UserDefaults::standard().stringForKey("lastSearchString"), "holiday");

    QTest::mouseClick(page->btnNextPage(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return idle(); }, 10000));
    ASSERT_EQ(service.requestsFor(kSearch).size(), 2);
    const HttpRequestRecord second = service.requestsFor(kSearch)[1];
    EXPECT_EQ(second.formValue("enddate"), "1700000100");
    EXPECT_EQ(second.formValue("offset"), "1000");
    EXPECT_EQ(page->labelResultsFound()->text(), "Range: 1000 - 1001 (0.10s)");
    EXPECT_TRUE(page->btnPreviousPage()->isEnabled());
    EXPECT_EQ(page->paginationOffset(), 1u);

    QTest::mouseClick(page->btnPreviousPage(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return idle(); }, 10000));
    const HttpRequestRecord third = service.requestsFor(kSearch)[2];
    EXPECT_FALSE(third.body.contains("enddate="));
    EXPECT_EQ(third.formValue("offset"), "0");
    // Previous on the first page does nothing.
    page->previousPageClicked();
    EXPECT_EQ(service.requestsFor(kSearch).size(), 3);
    // Typed searches go to the history, once per alias and content type.
    ASSERT_EQ(page->searchHistoryController()->arraySearchHistory().size(), 1);
    EXPECT_EQ(page->searchHistoryController()->arraySearchHistory()[0]->alias(), "holiday");
    EXPECT_TRUE(dialogs.asked().isEmpty());
}

TEST_F(SearchPage, EndsWithATextForCancelFailureAndNoMatch)
{
    // Cancel in the busy window.
    service.enqueue("POST", kSearch, searchReply("0|0|1s|x|x|0|0", {}).withDelay(3000));
    page->searchFieldTitle()->setStringValue("slow");
    page->searchButtonClicked();
    ASSERT_TRUE(page->busySearchingWC());
    EXPECT_FALSE(page->buttonSearch()->isEnabled());
    EXPECT_FALSE(page->searchHistoryVC()->tableViewSearchHistory()->isEnabled());
    EXPECT_EQ(page->labelResultsFound()->text(), "Waiting for search results.");
    // A second search cannot start while one runs.
    page->initSearch(true);
    QTest::mouseClick(page->busySearchingWC()->cancelButton(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return idle(); }, 10000));
    EXPECT_EQ(page->labelResultsFound()->text(), "Search was cancelled.");
    EXPECT_FALSE(page->busySearchingWC());
    EXPECT_TRUE(page->searchHistoryVC()->tableViewSearchHistory()->isEnabled());
    EXPECT_TRUE(dialogs.asked().isEmpty());
    spinEventLoop(50);

    // A failed request.
    service.clearScript();
    service.enqueue("POST", kSearch, HttpReply::errorPage(500));
    search("broken");
    ASSERT_EQ(dialogs.asked().size(), 1);
    EXPECT_FALSE(dialogs.asked()[0].title.isEmpty());
    EXPECT_EQ(page->labelResultsFound()->text(), dialogs.asked()[0].title);

    // No match.
    service.enqueue("POST", kSearch, searchReply("0|0|0.01s|x|x|0|0", {}));
    search("nothing");
    ASSERT_EQ(dialogs.asked().size(), 2);
    EXPECT_EQ(dialogs.asked()[1].title, "No matches were found.");
    EXPECT_EQ(dialogs.asked()[1].info, "Search is finished and no matches were found.");
    // Every one of them is in the history, newest first.
    QStringList aliases;
    for (const auto& q : page->searchHistoryController()->arraySearchHistory()) aliases << q->alias().value_or("");
    EXPECT_EQ(aliases, QStringList({"nothing", "broken", "slow"}));
}

TEST_F(SearchPage, ShowsWhatAShortInfoRecordHolds)
{
    service.enqueue("POST", kSearch, searchReply("1|1|0.5s", {record("Q1", "only", "1700000000")}));
    search("short");
    EXPECT_EQ(page->labelResultsFound()->text(), "Range: 0 - 1 (0.5s)");
    EXPECT_EQ(page->totalMatchedFound(), 1u);
    EXPECT_FALSE(page->btnNextPage()->isEnabled());
}

TEST_F(SearchPage, UpdatesALaunchedBookmarkFromTheFirstPageOnly)
{
    SearchHistoryController* h = page->searchHistoryController();
    const qint64 mapid = h->createMap(QStringLiteral("Shows"));
    auto bookmark = DeepLookupObject::create();
    bookmark->setTitle(QStringLiteral("holiday"));
    bookmark->setAlias(QStringLiteral("holiday"));
    bookmark->setEro(QStringLiteral("0"));
    bookmark->setStartdate(QStringLiteral("3500"));
    bookmark->setIsBookmark(true);
    bookmark->setMapid(mapid);
    bookmark->setLastAccessDate(100);
    ASSERT_TRUE(h->insertBookmarkObjectsFromArray({bookmark}, mapid));
    const DeepLookupObjectPtr stored = h->getBookmarkObjectForObject(*bookmark);
    ASSERT_TRUE(stored);

    service.enqueue("POST", kSearch,
                    searchReply("1|5000|0.1s|x|x|0|0", {record("Q1", "holiday one", "1700000300")}));
    service.enqueue("POST", kSearch,
                    searchReply("1|5000|0.1s|x|x|1000|0", {record("Q2", "holiday two", "1700000900")}));
    auto launched = std::make_shared<DeepLookupObject>(*bookmark);
    QVariantMap info{{"deeplookupobject", QVariant::fromValue(launched)}};
    NotificationHub::defaultCenter().post("RequestForDeepLookup", nullptr, info);
    ASSERT_TRUE(waitUntil([&] { return idle() && !results().isEmpty(); }, 10000));
    EXPECT_EQ(page->searchFieldTitle()->stringValue(), "holiday");
    // Results posted after the last visit are new.
    EXPECT_EQ(service.requestsFor(kSearch)[0].formValue("offset"), "0");
    EXPECT_EQ(stored->lastAccessDate(), 1700000300);
    EXPECT_EQ(page->currentDeepLookupObject()->previousAccessDate(), 100);

    page->nextPageClicked();
    ASSERT_TRUE(waitUntil([&] { return idle() && byTitle("holiday two"); }, 10000));
    EXPECT_EQ(page->currentDeepLookupObject()->lastAccessDate(), 1700000900);
    EXPECT_EQ(stored->lastAccessDate(), 1700000300);
    EXPECT_TRUE(h->arraySearchHistory().isEmpty());
}

TEST_F(SearchPage, AsksForAResultsFileListOnceAndShowsItsFiles)
{
    service.enqueue("POST", kSearch,
                    searchReply("1|1|0.1s|x|x|0|0", {record("Q1", "three files", "1700000000", "3")}));
    QList<QByteArrayList> files;
    for (int i = 1; i <= 3; ++i) {
        DeepLookupFileRecord f;
        f.fid = "F" + QByteArray::number(i);
        f.title = "three files [" + QByteArray::number(i) + "/3] - \"file" + QByteArray::number(i) + ".rar\" yEnc";
        files << f.fields();
    }
    service.route("POST", kFids, HttpReply::text(HttpReply::tabLines(files)).withDelay(200));
    search("three");
    const QueuePtr r = byTitle("three files");
    ASSERT_TRUE(r);
    const QModelIndex row = model()->indexOf(r);
    EXPECT_TRUE(model()->hasChildren(row));
    tree()->expand(row);
    tree()->collapse(row);
    tree()->expand(row);
    ASSERT_TRUE(waitUntil([&] { return model()->rowCount(model()->indexOf(r)) == 3; }, 10000));
    tree()->collapse(model()->indexOf(r));
    tree()->expand(model()->indexOf(r));
    spinEventLoop(300);
    EXPECT_EQ(service.requestsFor(kFids).size(), 1);
    EXPECT_EQ(model()->itemAt(model()->index(2, 0, model()->indexOf(r)))->isFilepart(), true);
}

TEST_F(SearchPage, ATickedResultReachesTheQueue)
{
    service.enqueue("POST", kSearch,
                    searchReply("2|2|0.1s|x|x|0|0", {record("Q1", "single", "1700000000", "1"),
                                                       record("Q2", "several", "1700000001", "4")}));
    search("tick");
    const QueuePtr single = byTitle("single"), several = byTitle("several");
    ASSERT_TRUE(single && several);
    // The several-file result's box: no tip is offered.
    const QRect box = OutlineCVSearchSubject::checkBoxRect(
        tree()->visualRect(model()->indexOf(several, OutlineViewSearchModel::SubjectColumn)));
    QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, box.center());
    EXPECT_EQ(several->checkbox(), 1);
    EXPECT_TRUE(engine->queueController()->queueArray().contains(several));
    EXPECT_TRUE(dialogs.asked().isEmpty());
    // A one-file result offers the double-click tip, once per run.
    tree()->checkboxClicked(single->qidnr(), 1);
    tree()->checkboxClicked(single->qidnr(), 0);
    tree()->checkboxClicked(single->qidnr(), 1);
    ASSERT_EQ(dialogs.askedTitles(), QStringList({"Tip: Double-click to download and launch"}));
    EXPECT_TRUE(engine->queueController()->queueArray().contains(single));
    // A number no row holds any more does nothing.
    tree()->checkboxClicked(424242, 1);
}

TEST_F(SearchPage, EnterOpensAFileOnDiskOrMarksItToOpenWhenDownloaded)
{
    UserDefaults::standard().setBool(false, "showDialogDoubleClick");
    service.enqueue("POST", kSearch,
                    searchReply("3|3|0.1s|x|x|0|0", {record("QA", "on disk", "1700000000", "1"),
                                                       record("QB", "not on disk", "1700000001", "1"),
                                                       record("QC", "many", "1700000002", "5")}));
    search("enter");
    const QueuePtr onDisk = byTitle("on disk"), notOnDisk = byTitle("not on disk"), many = byTitle("many");
    ASSERT_TRUE(onDisk && notOnDisk && many);
    ASSERT_EQ(onDisk->fileparts().size(), 1);
    const QString folder = home.makeFolder("downloads/done");
    auto fod = FODObject::create();
    fod->setFid(onDisk->fileparts()[0]->fid());
    fod->setFolder(folder);
    fod->setFilename("picture.jpg");
    engine->queueController()->fodController()->addFod(fod);
    QStringList opened;
    Utils::setFileOpener([&](const QString& path) {
        opened << path;
        return true;
    });

    const struct
    {
        QueuePtr item;
        bool opens;
        bool queued;
        bool execute;
    } cases[] = {
        {onDisk, true, false, false},
        {notOnDisk, false, true, true},
        {many, false, true, false},
    };
    for (const auto& c : cases) {
        opened.clear();
        select({c.item});
        tree()->setFocus();
        QTest::keyClick(tree(), Qt::Key_Return);
        EXPECT_EQ(!opened.isEmpty(), c.opens) << c.item->title().toStdString();
        EXPECT_EQ(engine->queueController()->queueArray().contains(c.item), c.queued) << c.item->title().toStdString();
        if (!c.item->fileparts().isEmpty()) {
            EXPECT_EQ(c.item->fileparts()[0]->execute(), c.execute) << c.item->title().toStdString();
        }
    }
    Utils::setFileOpener({});
}

// A text article already downloaded opens in the message viewer, which
// needs the article to show who posted it and to answer it.
TEST_F(SearchPage, EnterOnADownloadedTextArticleOpensItWithItsArticle)
{
    UserDefaults::standard().setBool(false, "showDialogDoubleClick");
    service.enqueue("POST", kSearch, searchReply("1|1|0.1s|x|x|0|0", {record("QT", "a note", "1700000000", "1")}));
    search("note");
    const QueuePtr note = byTitle("a note");
    ASSERT_TRUE(note);
    ASSERT_EQ(note->fileparts().size(), 1);
    const QString folder = home.makeFolder("downloads/job/comments");
    QFile text(folder + "/note.txt");
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("Hello reader");
    text.close();
    auto fod = FODObject::create();
    fod->setFid(note->fileparts()[0]->fid());
    fod->setFolder(folder);
    fod->setFilename("note.txt");
    engine->queueController()->fodController()->addFod(fod);
    QObject owner;
    QList<QVariantMap> opened;
    NotificationHub::defaultCenter().addObserver(QStringLiteral("OpenMessagesViewer"), &owner,
                                                 [&](const Notification& n) {
                                                     opened << n.userInfo.value(QStringLiteral("dict")).toMap();
                                                 });
    select({note});
    tree()->setFocus();
    QTest::keyClick(tree(), Qt::Key_Return);
    NotificationHub::defaultCenter().removeObserver(&owner);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0].value(QStringLiteral("filepath")).toString(), folder + "/note.txt");
    EXPECT_EQ(opened[0].value(QStringLiteral("filepart")).value<QueuePtr>(), note->fileparts()[0]);
    EXPECT_FALSE(engine->queueController()->queueArray().contains(note)) << "on disk: opened, not fetched";
}

TEST_F(SearchPage, ActsOnTheChosenRows)
{
    DeepLookupSearchRecord a = record("QA", "Alpha", "1700000000", "3");
    a.poster = "alice@example.invalid";
    DeepLookupSearchRecord b = record("QB", "Beta", "1700000001", "1");
    b.bytes = "1000";
    service.enqueue("POST", kSearch, searchReply("2|2|0.1s|x|x|0|0", {a, b}));
    search("act");
    const QueuePtr alpha = byTitle("Alpha"), beta = byTitle("Beta");
    ASSERT_TRUE(alpha && beta);
    DeepLookupResultActions& actions = page->resultActions();

    // The selection label and the menu enabling.
    select({beta});
    EXPECT_EQ(page->labelSelectedBytes()->text(), " - Selected: 1 item (" + Utils::formatBytes(1000) + ")");
    EXPECT_TRUE(actions.menuItemCopySubject()->isEnabled());
    select({alpha, beta});
    EXPECT_TRUE(page->labelSelectedBytes()->text().startsWith(" - Selected: 2 items ("));
    EXPECT_FALSE(actions.menuItemCopySubject()->isEnabled());
    EXPECT_TRUE(actions.menuItemDownload()->isEnabled());
    // A typed search has no previous visit: no hiding old articles.
    EXPECT_FALSE(actions.menuItemHideOldArticles()->isEnabled());

    // A right-clicked row outside the selection is acted on alone.
    actions.setClickedRow(model()->indexOf(alpha));
    select({beta});
    EXPECT_EQ(actions.getAllSelectedObjects(), QList<QueuePtr>({alpha}));
    actions.copyPosterToClipboard();
    EXPECT_EQ(QApplication::clipboard()->text(), "alice@example.invalid");
    actions.setClickedRow(QModelIndex());

    // Copying the subject leaves out the summary appended to it.
    alpha->setTitleSuffix(" (3 files)");
    alpha->setTitle("Alpha (3 files)");
    select({alpha});
    actions.copySubjectToClipboard();
    EXPECT_EQ(QApplication::clipboard()->text(), "Alpha");

    // Downloading skips chosen and disabled items.
    beta->setCheckboxDisabled(true);
    select({alpha, beta});
    actions.downloadSelection(true);
    ASSERT_FALSE(engine->queueController()->queueArray().isEmpty());
    EXPECT_EQ(engine->queueController()->queueArray().first(), alpha);
    EXPECT_FALSE(engine->queueController()->queueArray().contains(beta));
    EXPECT_EQ(beta->checkbox(), 0);

    // Passwords go to the main window's sheet.
    QObject owner;
    QList<QueuePtr> askedFor;
    NotificationHub::defaultCenter().addObserver("ShowPasswordSheetForQueueArray", &owner, [&](const Notification& n) {
        askedFor = n.userInfo.value("queuearray").value<QList<QueuePtr>>();
    });
    actions.setPasswordForSelection();
    EXPECT_EQ(askedFor, QList<QueuePtr>({alpha, beta}));

    // More from this poster: a new search for the poster alone.
    service.enqueue("POST", kSearch, searchReply("1|1|0.1s|x|x|0|0", {a}));
    actions.showMoreFromThisPoster(alpha);
    ASSERT_TRUE(waitUntil([&] { return idle(); }, 10000));
    const HttpRequestRecord more = service.requestsFor(kSearch).last();
    EXPECT_EQ(page->searchFieldPoster()->stringValue(), "alice@example.invalid");
    EXPECT_EQ(page->searchFieldTitle()->stringValue(), "");
    EXPECT_EQ(more.formValue("offset"), "0");
}

TEST_F(SearchPage, ExportsAResultOnceHoweverManyOfItsRowsAreChosen)
{
    QAction exportItem;
    page->setMnuItemExportNZB(&exportItem);
    EXPECT_FALSE(exportItem.isEnabled());
    service.enqueue("POST", kSearch,
                    searchReply("2|2|0.1s|x|x|0|0", {record("QA", "multi", "1700000000", "3"),
                                                       record("QB", "other", "1700000001", "1")}));
    search("export");
    const QueuePtr multi = byTitle("multi");
    ASSERT_TRUE(multi);
    QList<QueuePtr> parts;
    for (int i = 0; i < 3; ++i) {
        QueuePtr p = Queue::create();
        p->setIsFilepart(true);
        p->setQueue(multi);
        p->setQidnr(Queue::makeQidnr());
        multi->appendFilepart(p);
        parts << p;
    }
    tree()->reloadItem(multi);
    tree()->expand(model()->indexOf(multi));
    select({parts[0], parts[1], parts[2], multi});
    EXPECT_TRUE(exportItem.isEnabled());
    EXPECT_EQ(DeepLookupResultActions::nzbExportFilterDupes(page->resultActions().getAllSelectedObjects()),
              QList<QueuePtr>({multi}));
    exportItem.setEnabled(true);
    page->saveAsNZB();
    ASSERT_TRUE(page->resultActions().nzbExportWC());
    EXPECT_EQ(page->resultActions().nzbExportWC()->queuearray(), QList<QueuePtr>({multi}));
    page->saveAsNZB();
    EXPECT_EQ(dialogs.askedTitles(), QStringList({"NZB Export is already running"}));
    page->resultActions().nzbExportWC()->close();
    spinEventLoop(20);
    EXPECT_FALSE(page->resultActions().nzbExportWC());
}

TEST_F(SearchPage, FiltersTitlesAndHidesOldArticlesWithoutLosingTheReply)
{
    QList<DeepLookupSearchRecord> records;
    for (const char* t : {"red car", "blue car", "red bike", "green boat"})
        records << record(QByteArray("Q-") + t, t, "1700000000");
    service.enqueue("POST", kSearch, searchReply("4|4|0.1s|x|x|0|0", records));
    search("things");
    for (const QueuePtr& q : results()) q->setIsNew(false);
    byTitle("red car")->setIsNew(true);
    byTitle("green boat")->setIsNew(true);
    const auto shown = [&] {
        QStringList t;
        for (const QueuePtr& q : results()) t << q->title().remove(q->titleSuffix());
        t.sort();
        return t;
    };
    TVLTextField* filter = page->searchFieldPredicate();
    QTest::keyClicks(filter->textField(), "RED");
    EXPECT_EQ(shown(), QStringList({"red bike", "red car"}));
    // Return in the filter field starts no search.
    QTest::keyClick(filter->textField(), Qt::Key_Return);
    EXPECT_EQ(service.requestsFor(kSearch).size(), 1);
    QTest::keyClick(filter->textField(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(filter->textField(), Qt::Key_Backspace);
    EXPECT_EQ(shown().size(), 4);

    // Hiding old articles under a filter takes them from the whole reply,
    // and showing them again brings the whole reply back.
    QTest::keyClicks(filter->textField(), "car");
    page->resultFilter().hideOldArticles();
    EXPECT_EQ(shown(), QStringList({"green boat", "red car"}));
    EXPECT_TRUE(filter->stringValue().isEmpty());
    page->resultFilter().showOldArticles();
    EXPECT_EQ(shown().size(), 4);
    EXPECT_FALSE(page->resultFilter().dpcontentArrayCopy());
}

TEST_F(SearchPage, SendsThePopUpsTagsAndKeepsThemAsSettings)
{
    EXPECT_EQ(page->buttonDaysBack()->currentData().toLongLong(), 3500);
    EXPECT_GE(page->buttonDaysBack()->findData(10000), 0);
    page->buttonDaysBack()->setCurrentIndex(page->buttonDaysBack()->findData(10000));
    page->buttonContent()->setCurrentIndex(page->buttonContent()->findData(1));
    EXPECT_EQ(UserDefaults::standard().integerForKey("dayTag"), 10000);
    EXPECT_EQ(UserDefaults::standard().integerForKey("contentTag"), 1);
    service.enqueue("POST", kSearch, searchReply("1|1|0.1s|x|x|0|0", {record("Q1", "one", "1700000000")}));
    search("tags");
    const HttpRequestRecord sent = service.requestsFor(kSearch)[0];
    EXPECT_EQ(sent.formValue("startdate"), "10000");
    EXPECT_EQ(sent.formValue("ero"), "1");
    EXPECT_EQ(sent.formValue("query"), "tags");

    // A new page starts from the stored settings.
    page.reset();
    page = std::make_unique<DeepLookupVC>();
    EXPECT_EQ(page->buttonDaysBack()->currentData().toLongLong(), 10000);
    EXPECT_EQ(page->buttonContent()->currentData().toLongLong(), 1);
}

TEST_F(SearchPage, HidingThePageSavesTheHistory)
{
    service.enqueue("POST", kSearch, searchReply("1|1|0.1s|x|x|0|0", {record("Q1", "one", "1700000000")}));
    search("kept");
    page->hide();
    SearchHistoryController stored;
    stored.loadAllHistoryObjects();
    ASSERT_EQ(stored.arraySearchHistory().size(), 1);
    EXPECT_EQ(stored.arraySearchHistory()[0]->alias(), "kept");
}

TEST_F(SearchPage, StoresTheHighlightingPatternOnlyWhileHighlightingIsOn)
{
    DeepLookupVC::saveLastSearchString("big  red car");
    EXPECT_EQ(UserDefaults::standard().stringForKey("lastSearchString"), "big|red|car");
    UserDefaults::standard().setBool(false, "enableSearchTextHighlighting");
    DeepLookupVC::saveLastSearchString("big red car");
    EXPECT_EQ(UserDefaults::standard().stringForKey("lastSearchString"), "");
}

TEST_F(SearchPage, ResultsWhosePasswordsWereEnteredAreShownAgain)
{
    const QueuePtr a = Queue::create(), b = Queue::create();
    a->setTitle("a");
    b->setTitle("b");
    tree()->setResults({a, b});
    QSignalSpy changed(model(), &QAbstractItemModel::dataChanged);
    b->setStatus(JobStatus::CorruptFileOrWrongPassword);
    engine->queueController()->passwordsWereUpdatedForQueueArray({b, Queue::create()});
    ASSERT_GE(changed.size(), 1);
    EXPECT_EQ(changed[0][0].toModelIndex().row(), 1);
    EXPECT_EQ(b->status(), JobStatus::QueuedForExtraction);
}

TEST_F(SearchPage, AsksForAComposeWindowForAReplyOrANewPost)
{
    QObject owner;
    QList<Notification> asked;
    NotificationHub::defaultCenter().addObserver("OpenPostArticleWindow", &owner,
                                                 [&](const Notification& n) { asked << n; });
    const QueuePtr a = Queue::create();
    page->openPostMsgWindowAndReplyTo(a);
    page->openPostMsgWindowAndReplyTo({});
    ASSERT_EQ(asked.size(), 2);
    EXPECT_EQ(asked[0].userInfo.value("queue").value<QueuePtr>(), a);
    EXPECT_TRUE(asked[1].userInfo.isEmpty());
}

// What a user sees: results new and old, passworded, junk, one opened with
// its files, one downloading, the search words marked; and the busy window
// over the results while the next search runs.
TEST_F(SearchPage, LooksFinishedWithResultsAndTheBusyWindow)
{
    const auto rec = [](const QByteArray& qid, const QByteArray& title, const QByteArray& date,
                        const QByteArray& files, const QByteArray& bytes) {
        DeepLookupSearchRecord r = record(qid, title, date, files);
        r.bytes = bytes;
        r.poster = "poster" + qid.right(1) + "@example.invalid";
        r.groups = "alt.binaries.pictures.misc alt.binaries.test";
        return r;
    };
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    const auto ago = [now](qint64 s) { return QByteArray::number(now - s); };
    DeepLookupSearchRecord pwd = rec("Q3", "Red.Car.Collection.Vol2 [1/1] - \"red.car.vol2.rar\" yEnc", ago(7200), "1", "734003200");
    pwd.password = "1";
    DeepLookupSearchRecord junk = rec("Q4", "red car red car red car cheap", ago(86400 * 3), "1", "1200");
    junk.junk = "1";
    service.enqueue("POST", kSearch,
                    searchReply("6|6|0.21s|x|x|0|0",
                                {rec("Q1", "Big Red Car Show 2024 - \"show.part1.rar\" yEnc", ago(600), "3", "2147483648"),
                                 rec("Q2", "My red car photos [1/1] - \"redcar.jpg\" yEnc", ago(3600), "1", "524288"),
                                 pwd, junk,
                                 rec("Q5", "Old car manuals - \"manuals.zip\" yEnc", ago(86400 * 40), "1", "99614720"),
                                 rec("Q6", "Red sports car wallpapers - \"walls.7z\" yEnc", ago(86400), "1", "31457280")}));
    QList<QByteArrayList> files;
    for (int i = 1; i <= 3; ++i) {
        DeepLookupFileRecord f;
        f.fid = "F" + QByteArray::number(i);
        f.bytes = "715827882";
        f.date = ago(600);
        f.title = "Big Red Car Show 2024 [" + QByteArray::number(i) + "/3] - \"show.part" + QByteArray::number(i) +
                  ".rar\" yEnc";
        files << f.fields();
    }
    service.route("POST", kFids, HttpReply::text(HttpReply::tabLines(files)));
    page->window()->setWindowTitle("Binorama — Search");
    page->resize(1300, 620);
    search("red  car");
    ASSERT_EQ(results().size(), 6);
    byTitle("Old car manuals")->setIsNew(false);
    byTitle("red car red car")->setIsNew(false);
    const QueuePtr expanded = byTitle("Big Red Car Show");
    tree()->expand(model()->indexOf(expanded));
    ASSERT_TRUE(waitUntil([&] { return model()->rowCount(model()->indexOf(expanded)) == 3; }, 10000));
    // One result downloading, as the engine shows it.
    const QueuePtr loading = byTitle("Red sports car");
    loading->setStatus(JobStatus::Downloading);
    loading->setTotalSegments(100);
    loading->setTotalBytesLeft(18000000);
    loading->setTotalSegmentsLeftToDownload(58);
    ASSERT_TRUE(waitUntil([&] { return loading->progressBarVisible() && loading->progressBarValue() == 42; }, 5000));
    select({byTitle("My red car photos")});
    spinEventLoop(300);
    saveScreenshot(page->grab().toImage(), "search-page.png");

    // The busy window over the results while the next page is fetched.
    service.enqueue("POST", kSearch, searchReply("0|0|1s|x|x|0|0", {}).withDelay(1500));
    page->searchButtonClicked();
    ASSERT_TRUE(page->busySearchingWC());
    spinEventLoop(300);
    QImage shot = page->grab().toImage();
    {
        QPainter p(&shot);
        BusySearchingWC* busy = page->busySearchingWC();
        const QPoint at = busy->pos() - page->mapToGlobal(QPoint(0, 0));
        p.drawImage(at, busy->grab().toImage());
    }
    saveScreenshot(shot, "search-busy-window.png");
    page->cancelSearch();
    ASSERT_TRUE(waitUntil([&] { return idle(); }, 10000));
}

} // namespace
