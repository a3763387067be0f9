#include "ui/core/LogVC.h"

#include "controls/TVLTextField.h"
#include "core/Logger.h"
#include "core/StringFormat.h"
#include "platform/UserDefaults.h"
#include "support/EventLoop.h"
#include "support/LogFileReader.h"
#include "support/ModalDriver.h"
#include "support/ScriptedHttpServer.h"
#include "support/TempHome.h"
#include "ui/core/LogFilterProxyModel.h"
#include "ui/core/LogTableModel.h"
#include "ui/core/WebView.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

namespace {

// Receives what the page hands to the browser.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl& url) { opened.append(url); }
};

// Logs with a caller whose name holds "warn", so that a filter on the
// caller would show.
struct WarnCaller
{
    static void warnTheUser(const QString& message) { BLOG(0, "%@", message); }
};

class LogPage : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(news.start());
        news.route("GET", "/docs/appnews.html",
                   HttpReply::html("<html><body><h1>Binorama news</h1>"
                                   "<p><a href=\"release.html\">Release notes</a></p></body></html>"));
        UserDefaults& d = UserDefaults::standard();
        d.setString(news.url("/docs/appnews.html").toString(), QStringLiteral("htmlLinkAppNews"));
        // Short batches keep the tests quick; read once, at the first line.
        d.setFloat(0.05f, QStringLiteral("logInterval"));
    }

    // A shown page with room for about a dozen rows.
    std::unique_ptr<LogVC> showPage()
    {
        auto page = std::make_unique<LogVC>();
        page->resize(900, 420);
        page->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(page.get()));
        return page;
    }

    static Logger* logger() { return Logger::shared(); }

    // The messages of the rows the table shows, top to bottom.
    static QStringList shownMessages(const LogVC& page)
    {
        QStringList out;
        const QAbstractItemModel* m = page.tableViewLogging()->model();
        for (int r = 0; r < m->rowCount(); ++r)
            out << m->index(r, LogTableModel::ColumnMessage).data().toString();
        return out;
    }

    static QString lineOf(const LogClass& e) { return sformat(u"%@ %@ %@\n", e.type, e.time, e.message); }

    // The logger's entry whose message is `message`.
    static LogClass entry(const QString& message)
    {
        for (const LogClass& e : logger()->logArray())
            if (e.message == message) return e;
        ADD_FAILURE() << "no entry " << message.toStdString();
        return {};
    }

    static void selectRows(const LogVC& page, const QList<int>& rows)
    {
        QItemSelectionModel* sel = page.tableViewLogging()->selectionModel();
        sel->clearSelection();
        for (int r : rows)
            sel->select(page.tableViewLogging()->model()->index(r, 0),
                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    static QList<int> selectedRows(const LogVC& page)
    {
        QList<int> rows;
        for (const QModelIndex& i : page.tableViewLogging()->selectionModel()->selectedRows())
            rows << i.row();
        std::sort(rows.begin(), rows.end());
        return rows;
    }

    // Right-clicks the table at `row` (below the last row for -1) the way the
    // window system delivers it, and runs `inMenu` with the context menu once
    // it is open; the menu is closed afterwards.
    static void rightClickRow(LogVC& page, int row, const std::function<void(QMenu*)>& inMenu)
    {
        QTableView* table = page.tableViewLogging();
        QPoint at;
        if (row >= 0) {
            at = table->visualRect(table->model()->index(row, LogTableModel::ColumnMessage)).center();
        } else {
            const int rows = table->model()->rowCount();
            const int bottom = rows ? table->visualRect(table->model()->index(rows - 1, 0)).bottom() : 0;
            at = QPoint(40, bottom + 10);
            ASSERT_LT(at.y(), table->viewport()->height());
        }
        bool menuShown = false;
        whenShown<QMenu>([&](QMenu* menu) {
            menuShown = true;
            inMenu(menu);
            menu->close();
        });
        QWidget* window = page.window();
        QTest::mouseClick(window->windowHandle(), Qt::RightButton, {}, table->viewport()->mapTo(window, at));
        EXPECT_TRUE(waitUntil([&] { return menuShown; }));
        EXPECT_EQ(page.clickedRow(), -1);
    }

    TempHome home;
    ScriptedHttpServer news;
};

} // namespace

TEST_F(LogPage, RowsArriveInBatchesAsInsertedRows)
{
    auto page = showPage();
    const LogTableModel* model = page->logTableModel();
    QSignalSpy inserted(model, &QAbstractItemModel::rowsInserted);
    QSignalSpy reset(model, &QAbstractItemModel::modelReset);

    for (int i = 0; i < 50; ++i)
        BLOG(0, "line %d", i);
    // Nothing reaches the table before the batch timer fires.
    EXPECT_EQ(page->tableViewLogging()->model()->rowCount(), 0);
    ASSERT_TRUE(waitUntil([&] { return page->tableViewLogging()->model()->rowCount() == 50; }));
    ASSERT_EQ(inserted.size(), 1);
    EXPECT_EQ(inserted[0][1].toInt(), 0);
    EXPECT_EQ(inserted[0][2].toInt(), 49);
    EXPECT_EQ(shownMessages(*page).first(), "line 0");
    EXPECT_EQ(shownMessages(*page).last(), "line 49");

    BLOG(4, "one more");
    BLOG(3, "and another");
    ASSERT_TRUE(waitUntil([&] { return page->tableViewLogging()->model()->rowCount() == 52; }));
    ASSERT_EQ(inserted.size(), 2);
    EXPECT_EQ(inserted[1][1].toInt(), 50);
    EXPECT_EQ(inserted[1][2].toInt(), 51);
    EXPECT_EQ(page->tableViewLogging()->model()->index(50, LogTableModel::ColumnType).data(), "[WARN]");
    EXPECT_EQ(page->tableViewLogging()->model()->index(51, LogTableModel::ColumnType).data(), "[ERROR]");
    // The debug level never reaches the page.
    BLOG(2, "debug only");
    logger()->flush();
    EXPECT_EQ(page->tableViewLogging()->model()->rowCount(), 52);
    EXPECT_EQ(reset.size(), 0);

    // A hidden page is left alone and catches up when it appears again.
    page->hide();
    EXPECT_FALSE(page->viewIsActive());
    BLOG(0, "while hidden");
    logger()->flush();
    EXPECT_EQ(logger()->logArray().size(), 53);
    EXPECT_EQ(page->tableViewLogging()->model()->rowCount(), 52);
    page->show();
    EXPECT_TRUE(page->viewIsActive());
    EXPECT_EQ(page->tableViewLogging()->model()->rowCount(), 53);
    EXPECT_EQ(shownMessages(*page).last(), "while hidden");
    EXPECT_EQ(reset.size(), 0);
}

TEST_F(LogPage, FilterMatchesLevelTimeAndMessageButNotTheCaller)
{
    auto page = showPage();
    BLOG(4, "disk space is low");
    BLOG(0, "a Warning in the message");
    WarnCaller::warnTheUser("quiet line");
    BLOG(3, "connection failed");
    logger()->flush();
    ASSERT_EQ(page->tableViewLogging()->model()->rowCount(), 4);
    ASSERT_TRUE(entry("quiet line").caller.contains("warn", Qt::CaseInsensitive))
        << entry("quiet line").caller.toStdString();

    // Typed into the filter field, as the user does.
    QLineEdit* input = page->textFieldFilterLog()->textField();
    QTest::keyClicks(input, "warn");
    EXPECT_EQ(page->arrayControllerLogging()->filterText(), "warn");
    EXPECT_EQ(shownMessages(*page), QStringList({"disk space is low", "a Warning in the message"}));

    // Entries of a later batch are filtered as they arrive.
    BLOG(4, "second warning");
    BLOG(0, "unrelated");
    logger()->flush();
    EXPECT_EQ(shownMessages(*page),
              QStringList({"disk space is low", "a Warning in the message", "second warning"}));

    // The time is searched too.
    const LogClass failed = entry("connection failed");
    page->textFieldFilterLog()->setStringValue(failed.time);
    EXPECT_TRUE(shownMessages(*page).contains("connection failed"));
    page->textFieldFilterLog()->setStringValue("ERROR");
    EXPECT_EQ(shownMessages(*page), QStringList({"connection failed"}));

    // An empty text shows everything again.
    page->textFieldFilterLog()->setStringValue(QString());
    EXPECT_EQ(page->tableViewLogging()->model()->rowCount(), 6);
}

TEST_F(LogPage, CopyTakesARightClickedRowOutsideTheSelectionAlone)
{
    auto page = showPage();
    for (int i = 0; i < 5; ++i)
        BLOG(i == 3 ? 4 : 0, "message %d", i);
    logger()->flush();
    ASSERT_EQ(page->tableViewLogging()->model()->rowCount(), 5);
    QClipboard* clipboard = QGuiApplication::clipboard();

    selectRows(*page, {1, 2});
    rightClickRow(*page, 4, [&](QMenu* menu) {
        EXPECT_EQ(menu, page->contextMenu());
        EXPECT_EQ(page->clickedRow(), 4);
        EXPECT_TRUE(page->mnuItemCopyToClipboard()->isEnabled());
        EXPECT_TRUE(page->mnuItemDeletSelected()->isEnabled());
        page->mnuItemCopyToClipboard()->trigger();
    });
    EXPECT_EQ(clipboard->text(), lineOf(entry("message 4")));
    // The right click left the selection as it was.
    EXPECT_EQ(selectedRows(*page), QList<int>({1, 2}));

    // Inside the selection the whole selection is copied, in row order and
    // without the caller.
    rightClickRow(*page, 2, [&](QMenu*) { page->mnuItemCopyToClipboard()->trigger(); });
    EXPECT_EQ(clipboard->text(), lineOf(entry("message 1")) + lineOf(entry("message 2")));
    EXPECT_FALSE(clipboard->text().contains(entry("message 1").caller));
    EXPECT_TRUE(clipboard->text().startsWith("[INFO] "));

    // Rows are those of the filtered arrangement.
    page->textFieldFilterLog()->setStringValue("warn");
    ASSERT_EQ(shownMessages(*page), QStringList({"message 3"}));
    rightClickRow(*page, 0, [&](QMenu*) { page->mnuItemCopyToClipboard()->trigger(); });
    EXPECT_EQ(clipboard->text(), lineOf(entry("message 3")));
    page->textFieldFilterLog()->setStringValue(QString());

    // Nothing selected and no row under the click: only Select All and
    // Clear Log are offered.
    page->tableViewLogging()->clearSelection();
    rightClickRow(*page, -1, [&](QMenu*) {
        EXPECT_FALSE(page->mnuItemCopyToClipboard()->isEnabled());
        EXPECT_FALSE(page->mnuItemDeletSelected()->isEnabled());
        EXPECT_TRUE(page->mnuItemSelectAll()->isEnabled());
        EXPECT_TRUE(page->mnuItemClearLog()->isEnabled());
        page->mnuItemSelectAll()->trigger();
    });
    EXPECT_EQ(selectedRows(*page), QList<int>({0, 1, 2, 3, 4}));
    page->menuCopyToClipboardClicked();
    EXPECT_EQ(clipboard->text().count('\n'), 5);
}

TEST_F(LogPage, DeleteAndClearTouchOnlyThePageNotTheLogFile)
{
    auto page = showPage();
    for (int i = 0; i < 6; ++i)
        BLOG(0, "%@ entry %d", i % 2 ? QStringLiteral("odd") : QStringLiteral("even"), i);
    logger()->flush();
    ASSERT_EQ(page->tableViewLogging()->model()->rowCount(), 6);

    // Row 1 of the filtered arrangement is "odd entry 3", row 3 of the log.
    page->textFieldFilterLog()->setStringValue("odd");
    ASSERT_EQ(shownMessages(*page), QStringList({"odd entry 1", "odd entry 3", "odd entry 5"}));
    selectRows(*page, {1});
    rightClickRow(*page, 1, [&](QMenu*) { page->mnuItemDeletSelected()->trigger(); });
    EXPECT_EQ(shownMessages(*page), QStringList({"odd entry 1", "odd entry 5"}));
    QStringList left;
    for (const LogClass& e : logger()->logArray())
        left << e.message;
    EXPECT_EQ(left,
              QStringList({"even entry 0", "odd entry 1", "even entry 2", "even entry 4", "odd entry 5"}));

    // A right-clicked row outside the selection is deleted alone.
    page->textFieldFilterLog()->setStringValue(QString());
    selectRows(*page, {0, 1});
    rightClickRow(*page, 4, [&](QMenu*) { page->mnuItemDeletSelected()->trigger(); });
    EXPECT_EQ(shownMessages(*page),
              QStringList({"even entry 0", "odd entry 1", "even entry 2", "even entry 4"}));

    page->buttonClearLog()->click();
    EXPECT_TRUE(logger()->logArray().isEmpty());
    EXPECT_EQ(page->tableViewLogging()->model()->rowCount(), 0);

    // The file keeps every line.
    const LogFileReader file(home.logFilePath());
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(file.linesContaining(sformat(u"entry %d", i)).size(), 1) << i;

    // The page goes on showing new entries.
    BLOG(0, "after clearing");
    logger()->flush();
    EXPECT_EQ(shownMessages(*page), QStringList({"after clearing"}));
}

TEST_F(LogPage, AutoScrollFollowsNewRowsUntilSwitchedOff)
{
    auto page = showPage();
    QScrollBar* bar = page->tableViewLogging()->verticalScrollBar();
    EXPECT_TRUE(page->autoScroll());
    EXPECT_TRUE(page->buttonAutoScroll()->isChecked());
    for (int i = 0; i < 200; ++i)
        BLOG(0, "row %d", i);
    logger()->flush();
    ASSERT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());

    // Switched off with the button: new rows leave the view where it is.
    QTest::mouseClick(page->buttonAutoScroll(), Qt::LeftButton);
    EXPECT_FALSE(page->autoScroll());
    EXPECT_FALSE(page->buttonAutoScroll()->isChecked());
    EXPECT_FALSE(page->mnuItemAutoScroll()->isChecked());
    bar->setValue(0);
    for (int i = 0; i < 50; ++i)
        BLOG(0, "later row %d", i);
    logger()->flush();
    EXPECT_EQ(page->tableViewLogging()->model()->rowCount(), 250);
    EXPECT_EQ(bar->value(), 0);

    // Switched on again (here from the menu): it scrolls to the end at once.
    page->mnuItemAutoScroll()->trigger();
    EXPECT_TRUE(page->autoScroll());
    EXPECT_TRUE(page->buttonAutoScroll()->isChecked());
    EXPECT_EQ(bar->value(), bar->maximum());
    const int before = bar->maximum();
    for (int i = 0; i < 20; ++i)
        BLOG(0, "last row %d", i);
    logger()->flush();
    EXPECT_GT(bar->maximum(), before);
    EXPECT_EQ(bar->value(), bar->maximum());
}

TEST_F(LogPage, NewsPageLoadsEachTimeThePageAppearsAndLinksOpenInTheBrowser)
{
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("http", &catcher, "open");
    auto page = showPage();
    ASSERT_TRUE(waitUntil([&] { return page->webView()->toPlainText().contains("Binorama news"); }));
    EXPECT_EQ(news.requestsFor("/docs/appnews.html").size(), 1);
    page->hide();
    page->show();
    EXPECT_TRUE(news.waitForRequests(2));
    EXPECT_EQ(news.requestsFor("/docs/appnews.html").size(), 2);
    ASSERT_TRUE(waitUntil([&] { return !page->webView()->isLoading(); }));

    // A clicked link goes to the browser; the view stays on the news.
    Q_EMIT page->webView()->anchorClicked(QUrl("release.html"));
    EXPECT_EQ(catcher.opened, QList<QUrl>({news.url("/docs/release.html")}));
    spinEventLoop(100);
    EXPECT_TRUE(news.requestsFor("/docs/release.html").isEmpty());
    EXPECT_TRUE(page->webView()->toPlainText().contains("Binorama news"));
    QDesktopServices::unsetUrlHandler("http");

    // A page that cannot be had leaves a short note instead.
    news.route("GET", "/docs/appnews.html", HttpReply::errorPage(500));
    page->hide();
    page->show();
    EXPECT_TRUE(waitUntil([&] { return page->webView()->toPlainText() == LogVC::newsUnavailableText(); }));
}

TEST_F(LogPage, NewsPageThatCannotBeReachedShowsTheNote)
{
    const quint16 closedPort = news.port();
    news.stop();
    UserDefaults::standard().setString(
        QStringLiteral("http://127.0.0.1:%1/docs/appnews.html").arg(closedPort),
        QStringLiteral("htmlLinkAppNews"));
    auto page = showPage();
    EXPECT_TRUE(waitUntil([&] { return page->webView()->toPlainText() == LogVC::newsUnavailableText(); }));
}

TEST_F(LogPage, DrawsItsRows)
{
    auto page = showPage();
    BLOG(0, "Starting Binorama v1.0.0 build 1");
    BLOG(0, " * App Support Folder\t: %@", home.appSupportPath());
    BLOG(4, "Free space on the download disk is below the limit");
    BLOG(3, "Auth failed for news.example.org");
    BLOG(0, "-");
    logger()->flush();
    ASSERT_TRUE(waitUntil([&] { return page->webView()->toPlainText().contains("Binorama news"); }));
    page->tableViewLogging()->selectRow(2);
    spinEventLoop(50);

    const QImage shot = page->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    shot.save(QStringLiteral(BINORAMA_BINARY_DIR "/logpage.png"));

    // The message column of the first row holds drawn text: pixels darker
    // than the table's light background.
    QTableView* table = page->tableViewLogging();
    const QRect cell = table->visualRect(table->model()->index(0, LogTableModel::ColumnMessage));
    const QRect inPage(table->viewport()->mapTo(page.get(), cell.topLeft()), cell.size());
    int dark = 0;
    for (int y = inPage.top(); y <= inPage.bottom(); ++y)
        for (int x = inPage.left(); x <= std::min(inPage.right(), inPage.left() + 200); ++x)
            if (qGray(shot.pixel(x, y)) < 120) ++dark;
    EXPECT_GT(dark, 20);
    // The background is the page's light grey.
    const QColor base = table->palette().color(QPalette::Base);
    EXPECT_EQ(base, QColor::fromRgbF(0.945f, 0.941f, 0.941f));
}

#include "LogVCTest.moc"
