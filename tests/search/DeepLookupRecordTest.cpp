#include "search/DeepLookupRecord.h"

#include <gtest/gtest.h>

#include <limits>

TEST(DeepLookupRecord, SplitsAtTabKeepingEmptyFields)
{
    const QString line = QStringLiteral("FILE\ta\t\tc\t");
    const DeepLookupRecord record(line);
    ASSERT_EQ(record.size(), 5);
    EXPECT_EQ(record.kind(), QLatin1String("FILE"));
    EXPECT_EQ(record.text(1), QStringLiteral("a"));
    EXPECT_EQ(record.text(2), QString());
    EXPECT_EQ(record.text(3), QStringLiteral("c"));
    // Past the end: empty, and numbers and flags read as nothing.
    EXPECT_EQ(record.text(9), QString());
    EXPECT_EQ(record.integer(9), 0);
    EXPECT_FALSE(record.flag(9));
}

TEST(DeepLookupRecord, LinesAreSplitAtLineFeedOnlyAndStopOnRequest)
{
    const QString text = QStringLiteral("A\r\nB\n\nC\nD");
    QStringList seen;
    DeepLookupRecord::forEachLine(text, [&](QStringView line) {
        seen.append(line.toString());
        return line != QLatin1String("C");
    });
    EXPECT_EQ(seen, (QStringList{"A\r", "B", "", "C"}));
}

TEST(DeepLookupRecord, LeadingIntegers)
{
    struct Case
    {
        const char* text;
        qint64 value;
    };
    const Case cases[] = {
        {"42", 42},
        {"  42abc", 42},
        {"-7", -7},
        {"+8", 8},
        {"12.9", 12},
        {"abc", 0},
        {"", 0},
        {"9223372036854775807", std::numeric_limits<qint64>::max()},
        {"9223372036854775808", std::numeric_limits<qint64>::max()},
        {"-9223372036854775808", std::numeric_limits<qint64>::min()},
        {"-99999999999999999999", std::numeric_limits<qint64>::min()},
        {"4\r", 4},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DeepLookupRecord::leadingInteger(QString::fromLatin1(c.text)), c.value) << c.text;

    const DeepLookupRecord record(QStringLiteral("DATA\t3000000000\t-3000000000\t17"));
    EXPECT_EQ(record.int32(1), std::numeric_limits<qint32>::max());
    EXPECT_EQ(record.int32(2), std::numeric_limits<qint32>::min());
    EXPECT_EQ(record.int32(3), 17);
}

TEST(DeepLookupRecord, LeadingNumbers)
{
    struct Case
    {
        const char* text;
        double value;
    };
    const Case cases[] = {
        {"12345.6", 12345.6}, {" 1.5e3x", 1500.0}, {"2e", 2.0}, {".5", 0.5},  {"-3.25", -3.25},
        {"abc", 0.0},         {"", 0.0},           {".", 0.0},  {"7,5", 7.0},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(DeepLookupRecord::leadingNumber(QString::fromLatin1(c.text)), c.value) << c.text;
    EXPECT_EQ(DeepLookupRecord::leadingNumber(QStringLiteral("1e999")),
              std::numeric_limits<double>::infinity());
}

TEST(DeepLookupRecord, Flags)
{
    for (const char* yes : {"1", "7", "Y", "yes", "T", "true", " 1", "01", "+1"})
        EXPECT_TRUE(DeepLookupRecord::leadingFlag(QString::fromLatin1(yes))) << yes;
    for (const char* no : {"0", "", "N", "no", "false", "000", "x1", "-0"})
        EXPECT_FALSE(DeepLookupRecord::leadingFlag(QString::fromLatin1(no))) << no;
}
