#include "controls/SplitViewQueue.h"
#include "core/DialogBoxes.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "queue/QueueController.h"
#include "ui/core/MainVC.h"
#include "ui/core/MainWindow.h"
#include "ui/queue/QueuePasswordWC.h"
#include "ui/queue/QueueTableModel.h"
#include "ui/queue/QueueVC.h"
#include "ui/queue/TableViewQueue.h"

#include "support/EventLoop.h"
#include "support/ModalDriver.h"
#include "support/PostedFiles.h"
#include "support/ScriptedDialogAnswerer.h"
#include "support/QueueJobFixture.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <functional>

TEST(QueuePageWiring, TheMainWindowShowsTheQueuePageAndRunsThePasswordWindow)
{
    TempHome home;
    MainWindow window;
    auto* mainVC = new MainVC(&window);
    window.setCentralWidget(mainVC);
    mainVC->changeTopViewController(2);
    auto* page = qobject_cast<QueueVC*>(mainVC->pageForTag(2));
    ASSERT_NE(page, nullptr);
    QueueController* controller = mainVC->engine().queueController();
    ASSERT_NE(controller, nullptr);
    EXPECT_EQ(page->queueController(), controller);
    EXPECT_EQ(page->tableviewQueue()->queueController(), controller);

    QueuePtr job = Queue::create();
    job->setTitle("Locked");
    job->setQidnr(Queue::makeQidnr());
    controller->addRootQueueObjectToQueueArray(job);
    bool shown = false;
    whenShown<QueuePasswordWC>([&](QueuePasswordWC* w) {
        shown = true;
        w->passwordTextField()->setText("pw");
        w->submitButton()->click();
    });
    page->tableviewQueue()->passwordButtonClicked(job->qidnr());
    EXPECT_FALSE(shown) << "the window runs from the event loop, not inside the button's handler";
    EXPECT_TRUE(waitUntil([&] { return job->hasPassword(); }));
    EXPECT_TRUE(shown);
    EXPECT_EQ(job->password(), "pw");
}

namespace {

// A main window with the queue page shown, as at the program's start.
struct QueueWindow
{
    MainWindow window;
    MainVC* mainVC = new MainVC(&window);
    QueueVC* page = nullptr;

    QueueWindow()
    {
        window.setCentralWidget(mainVC);
        mainVC->changeTopViewController(2);
        page = qobject_cast<QueueVC*>(mainVC->pageForTag(2));
        window.resize(1100, 650);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        spinEventLoop(50);
    }
    int paneWidth() const { return page->splitViewQueue()->sizes().value(1); }
};

// Whether `widget` shows `text` whole in its font.
bool readsWhole(const QWidget* widget, const QString& text, int padding)
{
    return widget->width() >= widget->fontMetrics().horizontalAdvance(text) + padding;
}

} // namespace

// At the first start the pane opens wide enough for its title and buttons;
// the width the user gives it is the width it opens at after a restart.
TEST(QueuePageWiring, TheRightPaneOpensReadableAndKeepsTheUsersWidthAcrossRestarts)
{
    TempHome home;
    {
        QueueWindow first;
        ASSERT_NE(first.page, nullptr);
        EXPECT_GE(first.paneWidth(), 200);
        for (qint64 pane : {1, 2}) {
            first.page->changeRightPaneViewController(pane);
            spinEventLoop(20);
            QLabel* title = first.page->titleRightPane();
            EXPECT_TRUE(readsWhole(title, title->text(), 0))
                << title->text().toStdString() << " in " << title->width() << " px";
            for (const char* name : {"btnRightPaneFiles", "btnRightPaneParInfo"}) {
                const QAbstractButton* b = first.page->button(QLatin1String(name));
                EXPECT_TRUE(b->isVisible() && readsWhole(b, b->text(), 4)) << name << " " << b->width() << " px";
            }
        }
        // The user drags the divider.
        SplitViewQueue* split = first.page->splitViewQueue();
        split->setPositionOfDividerAtIndex(split->maxPossiblePositionOfDividerAtIndex(0) - 330, 0);
        EXPECT_EQ(first.paneWidth(), 330);
        first.window.close();
    }
    QueueWindow second;
    EXPECT_EQ(second.paneWidth(), 330);
}

// A job the user adds lands at the bottom of the queue: the table scrolls
// to it, whether it came through the open panel or was dropped on the
// window.
TEST(QueuePageWiring, AJobTheUserAddsIsScrolledIntoView)
{
    TempHome home;
    UserDefaults::standard().setBool(false, QStringLiteral("showDialogMakeDefaultForNZB"));
    ScriptedDialogAnswerer answers;
    answers.script({DialogBoxes::kSecondButton}); // no news servers: do not configure them now
    QueueWindow w;
    ASSERT_NE(w.page, nullptr);
    // Files from outside are taken once the start-up is done.
    w.mainVC->applicationDidStartGUI();
    ASSERT_TRUE(waitUntil([&] { return w.mainVC->guiIsLoaded(); }, 10000));
    QueueController* controller = w.mainVC->engine().queueController();
    for (int i = 0; i < 30; ++i)
        controller->addRootQueueObjectToQueueArray(makeListedJob(QStringLiteral("Old job %1").arg(i)));
    TableViewQueue* table = w.page->tableviewQueue();
    ASSERT_TRUE(waitUntil([&] { return table->model()->rowCount() == 30; }));
    table->scrollToTop();
    const QString folder = home.makeFolder(QStringLiteral("nzbs"));
    auto visible = [&](const QString& nzb) {
        for (int r = 0; r < table->model()->rowCount(); ++r) {
            const QueuePtr job = table->queueModel()->jobAt(r);
            if (job && job->nzbFile() == nzb)
                return table->viewport()->rect().intersects(table->visualRect(table->model()->index(r, 0)));
        }
        return false;
    };
    struct Case
    {
        const char* name;
        std::function<void(const QString&)> add;
    } cases[] = {
        {"open panel", [&](const QString& nzb) { w.page->nzbFilesChosen({nzb}); }},
        {"dropped", [&](const QString& nzb) { w.mainVC->addOpenFiles({nzb}); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString nzb = QDir(folder).filePath(QLatin1String(c.name) + QStringLiteral(".nzb"));
        ASSERT_TRUE(writeNzb(nzb, {PostedFile::make(QStringLiteral("new.bin"), 1000, 1000, 1)}));
        table->scrollToTop();
        spinEventLoop(20);
        c.add(nzb);
        EXPECT_TRUE(waitUntil([&] { return visible(nzb); }, 10000));
    }
}
