#include "ui/search/DeepLookupVC.h"
#include "platform/NotificationHub.h"
#include "queue/QueueController.h"
#include "ui/search/OutlineViewSearch.h"
#include "ui/search/OutlineViewSearchModel.h"

#include "queue/StatusCodes.h"
#include "support/EventLoop.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

namespace {

QueuePtr result(const QString& title)
{
    const QueuePtr q = Queue::create();
    q->setTitle(title);
    return q;
}

TEST(DeepLookupVC, ResultsWhosePasswordsWereEnteredAreShownAgain)
{
    TempHome home;
    DeepLookupVC page;
    const QueuePtr a = result("a"), b = result("b"), c = result("c");
    page.outLineViewSearch()->setResults({a, b, c});
    OutlineViewSearchModel* model = page.outLineViewSearch()->resultsModel();
    QSignalSpy changed(model, &QAbstractItemModel::dataChanged);

    QueueController qc;
    b->setStatus(JobStatus::CorruptFileOrWrongPassword);
    c->setTitle("c renamed");
    qc.passwordsWereUpdatedForQueueArray({b, c, result("not shown")});
    ASSERT_EQ(changed.size(), 2);
    EXPECT_EQ(changed[0][0].toModelIndex().row(), 1);
    EXPECT_EQ(changed[1][0].toModelIndex().row(), 2);
    EXPECT_EQ(changed[1][1].toModelIndex().column(), OutlineViewSearchModel::ColumnCount - 1);
    EXPECT_EQ(model->data(model->index(2, OutlineViewSearchModel::TitleColumn)).toString(), "c renamed");
    EXPECT_EQ(b->status(), JobStatus::QueuedForExtraction);
}

TEST(DeepLookupVC, AsksForAComposeWindowForAReplyOrANewPost)
{
    TempHome home;
    DeepLookupVC page;
    QObject owner;
    QList<Notification> asked;
    NotificationHub::defaultCenter().addObserver("OpenPostArticleWindow", &owner,
                                                 [&](const Notification& n) { asked << n; });
    const QueuePtr a = result("a");
    page.openPostMsgWindowAndReplyTo(a);
    page.openPostMsgWindowAndReplyTo({});
    ASSERT_EQ(asked.size(), 2);
    EXPECT_EQ(asked[0].object, &page);
    EXPECT_EQ(asked[0].userInfo.keys(), QStringList({"queue"}));
    EXPECT_EQ(asked[0].userInfo.value("queue").value<QueuePtr>(), a);
    EXPECT_TRUE(asked[1].userInfo.isEmpty());
}

} // namespace
