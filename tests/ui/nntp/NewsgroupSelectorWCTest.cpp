// The newsgroup chooser offscreen: the stored list, the question for an empty
// store, the filter, the hand-over to the compose window, the clipboard and
// the download sheet, with a queue that only records its jobs.

#include "ui/nntp/NewsgroupSelectorWC.h"
#include "controls/TVLTextField.h"
#include "nntp/DBNewsgroups.h"
#include "platform/NotificationHub.h"
#include "queue/Queue.h"
#include "ui/nntp/NewsGroupSelectorDelegate.h"
#include "ui/nntp/RefreshGroupsWC.h"

#include "support/EventLoop.h"
#include "support/FakeNewsgroupListQueue.h"
#include "support/NewsgroupItemPrinting.h"
#include "support/ScriptedDialogAnswerer.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QTableView>

namespace {

constexpr long kYes = 1000;
constexpr long kNo = 1001;

class ComposeWindow : public NewsGroupSelectorDelegate
{
public:
    void addNewsgroup(const QList<NewsgroupSelectorItem>& items) override { handed.append(items); }
    QList<QList<NewsgroupSelectorItem>> handed;
};

NewsgroupSelectorItem group(const char* name, qint64 count, bool checked = false)
{
    return {QString::fromLatin1(name), count, checked};
}

class NewsgroupSelector : public ::testing::Test
{
protected:
    TempHome home;
    ScriptedDialogAnswerer answers;
    FakeNewsgroupListQueue queue;
    ComposeWindow compose;
    NewsgroupSelectorWC wc;

    void SetUp() override
    {
        wc.setDelegate(&compose);
        wc.setQueueController(&queue);
        wc.setServerID(QStringLiteral("3"));
    }

    void storeList(const QList<NewsgroupSelectorItem>& items) { ASSERT_TRUE(DBNewsgroups().saveAll(items)); }

    // Shows the window and waits for the stored list (or the question).
    void open()
    {
        wc.show();
        spinEventLoop(50);
    }

    void selectRows(const QList<int>& viewRows)
    {
        QItemSelectionModel* selection = wc.tableViewNewsgroups()->selectionModel();
        for (int row : viewRows)
            selection->select(wc.arrayControllerNewsGroups()->index(row, 0),
                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    QStringList shownNames() const
    {
        QStringList names;
        const QAbstractItemModel* view = wc.arrayControllerNewsGroups();
        for (int row = 0; row < view->rowCount(); ++row)
            names.append(view->index(row, 0).data().toString());
        return names;
    }

    void pressCopy()
    {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier, QStringLiteral("c"));
        QApplication::sendEvent(wc.tableViewNewsgroups(), &press);
    }
};

const QList<NewsgroupSelectorItem> kStored = {
    group("alt.binaries.boneless", 120),    group("alt.binaries.multimedia", 40),
    group("alt.binaries.pictures", 7),      group("comp.lang.c", 0),
    group("alt.binaries.sounds.mp3", 1900),
};

} // namespace

TEST_F(NewsgroupSelector, TheStoredListIsShownWithoutAQuestion)
{
    storeList(kStored);
    open();
    EXPECT_TRUE(answers.asked().isEmpty());
    EXPECT_EQ(wc.arrayNewsgroups().size(), kStored.size());
    EXPECT_EQ(shownNames().first(), QStringLiteral("alt.binaries.boneless"));
    EXPECT_EQ(wc.refreshGroupsWC(), nullptr);
}

TEST_F(NewsgroupSelector, AnEmptyStoreAsksAndNoLeavesTheTableEmpty)
{
    answers.script({kNo});
    open();
    ASSERT_EQ(answers.asked().size(), 1);
    EXPECT_EQ(answers.asked().first().title, QStringLiteral("Your newsgroups list is empty."));
    EXPECT_EQ(answers.asked().first().info, QStringLiteral("Would you like to update the list?"));
    EXPECT_EQ(answers.asked().first().activeButton, 1) << "yes is the default";
    EXPECT_TRUE(wc.arrayNewsgroups().isEmpty());
    EXPECT_EQ(wc.refreshGroupsWC(), nullptr);
    EXPECT_TRUE(queue.calls().isEmpty());
}

TEST_F(NewsgroupSelector, AnEmptyStoreAnsweredYesOpensTheDownloadSheet)
{
    answers.script({kYes});
    open();
    ASSERT_NE(wc.refreshGroupsWC(), nullptr);
    EXPECT_TRUE(wc.refreshGroupsWC()->isVisible());
    ASSERT_EQ(queue.queued().size(), 1);
    EXPECT_EQ(queue.queued().first()->serverID(), QStringLiteral("3"));
    EXPECT_EQ(wc.refreshGroupsWC()->statusArray(),
              QStringList({QStringLiteral("Newsgroups listing queued for download")}));
}

// The filter matches the group name anywhere, in any case; what is handed
// over is the selection among the rows that pass it.
TEST_F(NewsgroupSelector, TheFilterNarrowsTheRowsAndTheSelectionFollowsIt)
{
    storeList(kStored);
    open();
    const struct
    {
        const char* filter;
        QStringList names;
    } cases[] = {
        {"",
         {"alt.binaries.boneless", "alt.binaries.multimedia", "alt.binaries.pictures", "comp.lang.c",
          "alt.binaries.sounds.mp3"}},
        {"BINARIES.",
         {"alt.binaries.boneless", "alt.binaries.multimedia", "alt.binaries.pictures",
          "alt.binaries.sounds.mp3"}},
        {"mp3", {"alt.binaries.sounds.mp3"}},
        {"lang", {"comp.lang.c"}},
        {"nothing.like.this", {}},
    };
    for (const auto& c : cases) {
        wc.filterField()->setStringValue(QString::fromLatin1(c.filter));
        EXPECT_EQ(shownNames(), c.names) << c.filter;
    }

    // Select everything, then narrow: only the rows still shown are chosen.
    wc.filterField()->setStringValue(QString());
    wc.tableViewNewsgroups()->selectAll();
    wc.filterField()->setStringValue(QStringLiteral("multimedia"));
    selectRows({0});
    wc.btnAddClicked();
    ASSERT_EQ(compose.handed.size(), 1);
    EXPECT_EQ(compose.handed.first(),
              QList<NewsgroupSelectorItem>({group("alt.binaries.multimedia", 40, true)}));
}

TEST_F(NewsgroupSelector, ChoosingHandsExactlyTheSelectedGroupsCheckedAndClearsTheSelection)
{
    storeList(kStored);
    open();
    selectRows({4, 0, 2});
    wc.btnAddClicked();
    const QList<NewsgroupSelectorItem> expected = {group("alt.binaries.sounds.mp3", 1900, true),
                                                   group("alt.binaries.boneless", 120, true),
                                                   group("alt.binaries.pictures", 7, true)};
    ASSERT_EQ(compose.handed.size(), 1);
    EXPECT_EQ(compose.handed.first(), expected) << "in selection order";
    EXPECT_EQ(wc.selectedGroups(), expected);
    EXPECT_FALSE(wc.tableViewNewsgroups()->selectionModel()->hasSelection());
    EXPECT_TRUE(wc.isVisible()) << "the window stays open for more";

    // A double click on a row chooses again.
    selectRows({3});
    const QModelIndex row = wc.arrayControllerNewsGroups()->index(3, 0);
    emit wc.tableViewNewsgroups()->doubleClicked(row);
    ASSERT_EQ(compose.handed.size(), 2);
    EXPECT_EQ(compose.handed.last(), QList<NewsgroupSelectorItem>({group("comp.lang.c", 0, true)}));
}

TEST_F(NewsgroupSelector, CopyPutsOneLinePerSelectedRowOnTheClipboard)
{
    storeList(kStored);
    open();
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("left alone"));

    pressCopy();
    EXPECT_EQ(clipboard->text(), QStringLiteral("left alone")) << "no selection: nothing copied";

    selectRows({1, 3});
    pressCopy();
    EXPECT_EQ(clipboard->text(), QStringLiteral("alt.binaries.multimedia\t40\ncomp.lang.c\t0\n"));
}

TEST_F(NewsgroupSelector, ASheetRefreshReplacesTheShownAndTheStoredList)
{
    storeList(kStored);
    open();
    wc.buttonRefresh()->click();
    RefreshGroupsWC* sheet = wc.refreshGroupsWC();
    ASSERT_NE(sheet, nullptr);
    QSignalSpy saved(&wc, &NewsgroupSelectorWC::newsgroupsSaved);
    sheet->newsgroupsReceived(QByteArray("zz.new 10 1 y\r\naa.first 3 1 y\r\n.\r\n"));
    ASSERT_TRUE(waitUntil([&] { return saved.size() == 1; }));
    EXPECT_TRUE(saved.first().first().toBool());
    const QList<NewsgroupSelectorItem> fresh = {group("aa.first", 2), group("zz.new", 9)};
    EXPECT_EQ(wc.arrayNewsgroups(), fresh);
    EXPECT_EQ(shownNames(), QStringList({QStringLiteral("aa.first"), QStringLiteral("zz.new")}));
    // The stored rows read back with the check of a non-zero count.
    EXPECT_EQ(DBNewsgroups().loadAll(),
              QList<NewsgroupSelectorItem>({group("aa.first", 2, true), group("zz.new", 9, true)}));
}

TEST_F(NewsgroupSelector, ARefreshWithoutGroupsLeavesBothListsAsTheyWere)
{
    storeList(kStored);
    open();
    const QList<NewsgroupSelectorItem> before = wc.arrayNewsgroups();
    const QList<NewsgroupSelectorItem> storedBefore = DBNewsgroups().loadAll();
    wc.refreshNewsGroups();
    RefreshGroupsWC* sheet = wc.refreshGroupsWC();
    ASSERT_NE(sheet, nullptr);

    const QByteArray replies[] = {QByteArray(".\r\n"), QByteArray("x\r\n.\r\n")};
    for (const QByteArray& reply : replies) {
        QSignalSpy parsed(sheet, &RefreshGroupsWC::newsgroupsParsed);
        sheet->newsgroupsReceived(reply);
        ASSERT_TRUE(waitUntil([&] { return parsed.size() == 1; })) << reply.constData();
    }
    spinEventLoop(100);
    EXPECT_EQ(wc.arrayNewsgroups(), before);
    EXPECT_EQ(DBNewsgroups().loadAll(), storedBefore);
    EXPECT_TRUE(sheet->statusArray().contains(QStringLiteral("Received newsgroup list is empty")));
    EXPECT_TRUE(sheet->statusArray().contains(QStringLiteral("Successfully received 0 newsgroups")));
}

TEST_F(NewsgroupSelector, ClosingDuringADownloadClosesTheSheetAndTakesTheJobOut)
{
    storeList(kStored);
    open();
    wc.refreshNewsGroups();
    QPointer<RefreshGroupsWC> sheet = wc.refreshGroupsWC();
    ASSERT_TRUE(sheet);
    ASSERT_EQ(queue.queued().size(), 1);
    const QueuePtr job = queue.queued().first();

    wc.closeWindow();
    EXPECT_FALSE(wc.isVisible());
    EXPECT_TRUE(queue.queued().isEmpty());
    ASSERT_EQ(queue.calls().size(), 2);
    EXPECT_EQ(queue.calls().last().queue, job);
    EXPECT_EQ(queue.calls().last().checkbox, 0);
    // Outside a running event loop a deferred delete waits to be sent.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(sheet) << "the ended sheet goes";
    EXPECT_EQ(wc.refreshGroupsWC(), nullptr);

    wc.closeWindow();
    EXPECT_EQ(queue.calls().size(), 2) << "once only";
}

TEST_F(NewsgroupSelector, TerminationClosesTheWindow)
{
    storeList(kStored);
    open();
    NotificationHub::defaultCenter().post(QStringLiteral("ApplicationWillTerminate"));
    EXPECT_TRUE(waitUntil([&] { return !wc.isVisible(); }));
}

TEST_F(NewsgroupSelector, TheSheetButtonCancelsTheDownloadThenCloses)
{
    storeList(kStored);
    open();
    wc.refreshNewsGroups();
    QPointer<RefreshGroupsWC> sheet = wc.refreshGroupsWC();
    ASSERT_TRUE(sheet);
    ASSERT_EQ(queue.queued().size(), 1);
    EXPECT_EQ(sheet->buttonCancel()->text(), QStringLiteral("Cancel"));

    sheet->buttonCancel()->click();
    EXPECT_TRUE(sheet->statusArray().contains(QStringLiteral("Cancelled by user")));
    EXPECT_TRUE(queue.queued().isEmpty());
    EXPECT_EQ(sheet->buttonCancel()->text(), QStringLiteral("Close"));
    EXPECT_TRUE(sheet->isVisible()) << "the first press only cancels";

    // A late reply of the cancelled download does not replace the list.
    QSignalSpy parsed(sheet.data(), &RefreshGroupsWC::newsgroupsParsed);
    sheet->newsgroupsReceived(QByteArray("zz.late 10 1 y\r\n.\r\n"));
    ASSERT_TRUE(waitUntil([&] { return parsed.size() == 1; }));
    EXPECT_EQ(wc.arrayNewsgroups().size(), kStored.size());

    sheet->buttonCancel()->click();
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_EQ(wc.refreshGroupsWC(), nullptr);
    EXPECT_TRUE(wc.isVisible()) << "the selector stays open";
}
