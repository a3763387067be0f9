#include "platform/NotificationHub.h"
#include "queue/QueueController.h"
#include "ui/core/MainVC.h"
#include "ui/core/MainWindow.h"
#include "ui/queue/QueuePasswordWC.h"
#include "ui/queue/QueueVC.h"
#include "ui/queue/TableViewQueue.h"

#include "support/EventLoop.h"
#include "support/ModalDriver.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>

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
