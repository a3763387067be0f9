#include "ui/core/DockIconController.h"
#include "ui/core/ProgressBarRounded.h"

#include "support/EventLoop.h"
#include "support/PrivateSessionBus.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QImage>
#include <QPainter>

#include <cmath>
#include <limits>

namespace {

// Collects the launcher-entry updates sent on the session bus.
class LauncherListener : public QObject
{
    Q_OBJECT
public:
    QList<QVariantMap> updates;
    QStringList apps;

public Q_SLOTS:
    void update(const QString& app, const QVariantMap& properties)
    {
        apps << app;
        updates << properties;
    }
};

} // namespace

TEST(DockIconController, TellsLaunchersTheCountAndTheProgress)
{
    if (!PrivateSessionBus::shared())
        GTEST_SKIP() << "no private session bus: " << PrivateSessionBus::reason().toStdString();
    TempHome home;
    QDBusConnection bus = QDBusConnection::sessionBus();
    ASSERT_TRUE(bus.isConnected());
    LauncherListener listener;
    ASSERT_TRUE(bus.connect(QString(), QString(), "com.canonical.Unity.LauncherEntry", "Update", &listener,
                            SLOT(update(QString, QVariantMap))));
    DockIconController dock;
    dock.changeDockIconTo(QImage(64, 64, QImage::Format_ARGB32));
    dock.changeTextLabel("4");
    dock.setProgressBarMaxValue(200);
    dock.progressbarValue(50);
    ASSERT_TRUE(waitUntil([&] { return listener.updates.size() >= 4; }, 3000));
    const QVariantMap last = listener.updates.last();
    EXPECT_EQ(listener.apps.last(), "application://binorama.desktop");
    EXPECT_EQ(last.value("count").toLongLong(), 4);
    EXPECT_TRUE(last.value("count-visible").toBool());
    EXPECT_DOUBLE_EQ(last.value("progress").toDouble(), 0.75);
    EXPECT_TRUE(last.value("progress-visible").toBool());

    dock.resetDockItem();
    ASSERT_TRUE(waitUntil([&] { return !listener.updates.last().value("progress-visible").toBool(); }, 3000));
    EXPECT_FALSE(listener.updates.last().value("count-visible").toBool());
}

TEST(ProgressBarRounded, FillIsTheValuesShareOfTheWidth)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case
    {
        double width, max, value, fill;
    };
    const Case cases[] = {
        {98, 100, 50, 49}, {98, 100, 100, 98}, {98, 100, 0, 0}, {98, 0, 0, 0}, {98, 100, nan, 0}};
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(ProgressBarRounded::fillWidthFor(c.width, c.max, c.value), c.fill) << c.value;

    // Drawn: the left half blue, the right half the grey track.
    QImage img(100, 14, QImage::Format_ARGB32);
    img.fill(Qt::white);
    {
        QPainter p(&img);
        ProgressBarRounded::paint(p, QRectF(0, 0, 100, 14), 100, 50);
    }
    EXPECT_EQ(img.pixel(25, 7), QColor::fromRgbF(0.259f, 0.42f, 0.525f).rgb());
    EXPECT_EQ(img.pixel(75, 7), QColor::fromRgbF(0.725f, 0.725f, 0.725f).rgb());
    EXPECT_EQ(img.pixel(0, 0), QColor(Qt::white).rgb()); // rounded corner
}

#include "DockIconLauncherTest.moc"
