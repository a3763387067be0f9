#include "platform/UserDefaults.h"

#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QFile>

TEST(UserDefaults, StoredValueWinsAndRemovalRestoresDefault)
{
    TempHome home(false);
    UserDefaults& d = UserDefaults::standard();
    d.registerDefaults({{"tcpSocketTimeout", qint64(20)}, {"enableFileRepair", true}});
    EXPECT_EQ(d.integerForKey("tcpSocketTimeout"), 20);
    d.setInteger(45, "tcpSocketTimeout");
    d.setBool(false, "enableFileRepair");
    EXPECT_EQ(d.integerForKey("tcpSocketTimeout"), 45);
    EXPECT_FALSE(d.boolForKey("enableFileRepair"));
    d.removeObjectForKey("tcpSocketTimeout");
    d.removeObjectForKey("enableFileRepair");
    EXPECT_EQ(d.integerForKey("tcpSocketTimeout"), 20);
    EXPECT_TRUE(d.boolForKey("enableFileRepair"));
    // Unregistered keys read as NO and 0.
    EXPECT_FALSE(d.boolForKey("bottomViewForcedCollapsed"));
    EXPECT_EQ(d.integerForKey("SplitViewMainBottomRestorePosition"), 0);
}

TEST(UserDefaults, ValuesSurviveReopeningAndDefaultsAreNeverWritten)
{
    TempHome home(false);
    UserDefaults& d = UserDefaults::standard();
    d.registerDefaults({{"minFreeSpace", 1e10}});
    d.setDouble(2.5e9, "minFreeSpace");
    d.setBool(true, "flag");
    d.setFloat(0.25f, "ratio");
    d.setString("a %s path", "text");
    const QColor colour = QColor::fromRgbF(0.271f, 0.443f, 0.647f);
    d.setObject(QVariantMap{{"selectedRowColor", colour}}, "FilesRowColorProperties");
    d.synchronize();
    d.resetForTesting(); // reopen the file, forget the defaults
    EXPECT_DOUBLE_EQ(d.doubleForKey("minFreeSpace"), 2.5e9);
    EXPECT_TRUE(d.boolForKey("flag"));
    EXPECT_FLOAT_EQ(d.floatForKey("ratio"), 0.25f);
    EXPECT_EQ(d.stringForKey("text"), "a %s path");
    EXPECT_EQ(d.colorForKey("FilesRowColorProperties", "selectedRowColor"), colour);

    d.removeObjectForKey("minFreeSpace");
    d.registerDefaults({{"registeredOnly", qint64(7)}});
    d.synchronize();
    QFile file(UserDefaults::settingsFilePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_FALSE(file.readAll().contains("registeredOnly"));
}
