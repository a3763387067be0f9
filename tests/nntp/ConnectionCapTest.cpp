// The download cap end to end: a connection of the real manager reading one
// large body from a scripted server under a cap of 1,000,000 bit/s.

#include "ConnectionManagerHarness.h"

#include "nntp/BandwidthLimitController.h"
#include "platform/UserDefaults.h"

#include <QElapsedTimer>

namespace {

TEST_F(ConnectionManager, ACappedDownloadIsNeverFasterThanTheCap)
{
    UserDefaults& defaults = UserDefaults::standard();
    defaults.setBool(true, "enableBandwidthThrottling");
    defaults.setBool(false, "enableBandwidthThrottlingScheduler");
    defaults.setDouble(1000000, "maxBandwidthThroughPut");
    BandwidthLimitController limiter;
    ASSERT_TRUE(limiter.isThrottling());

    Server& a = addServer("A", 1);
    const QueuePtr job = queueJob("job", 1, 1);
    const SegmentPtr s = article(job, 1, 1);
    // 1 MiB of text lines: more than eight seconds' worth at 125,000 B/s.
    QByteArray body;
    const QByteArray line = QByteArray(126, 'x') + "\r\n";
    while (body.size() < 1024 * 1024)
        body += line;
    a.nntp->addArticle(s->midBytes(), body);

    QElapsedTimer timer;
    timer.start();
    manager->connectAll();
    ASSERT_TRUE(waitForBooked(job, 30000));
    const double seconds = double(timer.elapsed()) / 1000.0;
    const double allowed = double(body.size()) / 125000.0;
    EXPECT_GE(seconds, 0.9 * allowed) << "read " << body.size() << " bytes in " << seconds << " s";
    EXPECT_GE(s->downloadedBytes(), double(body.size()));
}

} // namespace
