#include "controls/TVLComponentUtils.h"
#include "platform/UserDefaults.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

namespace {
const QString kKey = QStringLiteral("deepLookupRecentTitle");

QStringList stored()
{
    QStringList out;
    for (const QVariant& v : TVLComponentUtils::arrayForKey(kKey))
        out << v.toString();
    return out;
}

void store(const QStringList& list)
{
    QVariantList values;
    for (const QString& s : list)
        values << s;
    UserDefaults::standard().setObject(values, kKey);
}
} // namespace

TEST(FieldHistory, NewestFirstWithoutDuplicatesWithinTheLimit)
{
    TempHome home;
    UserDefaults::standard().setInteger(3, QStringLiteral("maxSearchFieldHistory"));
    store({"a", "b", "c"});
    TVLComponentUtils::updateSearchHistoryWithObject(QStringLiteral("b"), kKey);
    EXPECT_EQ(stored(), (QStringList{"b", "a", "c"}));
    TVLComponentUtils::updateSearchHistoryWithObject(QStringLiteral("d"), kKey);
    EXPECT_EQ(stored(), (QStringList{"d", "b", "a"}));
}

TEST(FieldHistory, StartsEmptyAndUsesTheRegisteredLimit)
{
    TempHome home;
    EXPECT_EQ(UserDefaults::standard().integerForKey(QStringLiteral("maxSearchFieldHistory")), 30);
    EXPECT_TRUE(stored().isEmpty());
    for (int i = 0; i < 40; ++i)
        TVLComponentUtils::updateSearchHistoryWithObject(QString::number(i), kKey);
    const QStringList list = stored();
    ASSERT_EQ(list.size(), 30);
    EXPECT_EQ(list.first(), u"39");
    EXPECT_EQ(list.last(), u"10");
}

TEST(FieldHistory, ALoweredLimitCutsTheListOnTheNextAddition)
{
    TempHome home;
    store({"1", "2", "3", "4", "5", "6"});
    UserDefaults::standard().setInteger(2, QStringLiteral("maxSearchFieldHistory"));
    EXPECT_EQ(stored().size(), 6);
    TVLComponentUtils::updateSearchHistoryWithObject(QStringLiteral("7"), kKey);
    EXPECT_EQ(stored(), (QStringList{"7", "1"}));
}

TEST(FieldHistory, ALimitOfZeroOrBelowMeansTen)
{
    for (int limit : {0, -4}) {
        SCOPED_TRACE(limit);
        TempHome home;
        UserDefaults::standard().setInteger(limit, QStringLiteral("maxSearchFieldHistory"));
        for (int i = 0; i < 15; ++i)
            TVLComponentUtils::updateSearchHistoryWithObject(QString::number(i), kKey);
        EXPECT_EQ(stored().size(), 10);
        EXPECT_EQ(stored().first(), u"14");
    }
}

TEST(FieldHistory, NothingHappensWithoutAnEntryOrAKey)
{
    TempHome home;
    TVLComponentUtils::updateSearchHistoryWithObject(QVariant(), kKey);
    EXPECT_FALSE(UserDefaults::standard().hasStoredValue(kKey));
    TVLComponentUtils::updateSearchHistoryWithObject(QStringLiteral("x"), QString());
    EXPECT_TRUE(stored().isEmpty());
}

TEST(FieldHistory, AOneEntryListReadBackAsPlainTextIsAListOfOne)
{
    TempHome home;
    UserDefaults::standard().setObject(QStringLiteral("only"), kKey);
    EXPECT_EQ(stored(), QStringList{"only"});
    TVLComponentUtils::updateSearchHistoryWithObject(QStringLiteral("next"), kKey);
    EXPECT_EQ(stored(), (QStringList{"next", "only"}));
}
