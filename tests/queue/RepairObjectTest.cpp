#include "postprocess/RepairObject.h"
#include "queue/Queue.h"

#include "support/EventLoop.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

TEST(RepairObject, AJobOwnsItsSetAndTheSetItsFilesButNothingPointsBackStrongly)
{
    TempHome home;
    QueuePtr job = Queue::create();
    QueuePtr mainPar = Queue::create();
    mainPar->setIsFilepart(true);
    mainPar->setQueue(job);
    job->appendFilepart(mainPar);

    RepairObjectPtr set = RepairObject::create();
    set->setQid("job-1");
    set->setFilepart(mainPar);
    RepairObjectPtr member = RepairObject::create();
    member->setFilename("a.rar");
    member->setTotalBlocks(10);
    set->appendChild(member);
    job->setRepairObject(set);
    mainPar->setRepairObject(member);

    EXPECT_EQ(member->parent(), set);
    EXPECT_EQ(set->childs(), QList<RepairObjectPtr>({member}));
    EXPECT_EQ(set->filepart(), mainPar);
    EXPECT_EQ(member->fod(), nullptr);

    std::weak_ptr<RepairObject> watchSet = set;
    std::weak_ptr<Queue> watchJob = job;
    set.reset();
    member.reset();
    mainPar.reset();
    job.reset();
    spinEventLoop(20);
    EXPECT_TRUE(watchJob.expired());
    EXPECT_TRUE(watchSet.expired());
}
