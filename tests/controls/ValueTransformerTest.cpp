#include "controls/FilepathToStringTransformer.h"
#include "controls/IntegerToString.h"
#include "controls/NBBytesToStringTransformer.h"
#include "controls/NBTimeDiffTransformer.h"
#include "controls/NumbersOnlyTransformer.h"
#include "controls/TimestampToString.h"

#include <gtest/gtest.h>

#include <QUrl>

#include <cstdlib>
#include <ctime>
#include <limits>

namespace {
std::string show(const QVariant& v)
{
    if (!v.isValid()) return "<nil>";
    if (v.typeId() == QMetaType::QUrl) return "url:" + v.toUrl().toString().toStdString();
    return v.toString().toStdString();
}

// Runs `body` with the local time zone set to `zone`.
template <typename F> void inZone(const char* zone, F body)
{
    const QByteArray saved = qgetenv("TZ");
    qputenv("TZ", zone);
    tzset();
    body();
    if (saved.isNull())
        qunsetenv("TZ");
    else
        qputenv("TZ", saved);
    tzset();
}
} // namespace

TEST(ValueTransformers, ForwardTable)
{
    IntegerToString integer;
    NBBytesToStringTransformer bytes;
    NumbersOnlyTransformer numbers;
    FilepathToStringTransformer path;
    struct Case
    {
        const ValueTransformer* transformer;
        QVariant in;
        std::string out;
    };
    const Case cases[] = {
        {&integer, QVariant(), "<nil>"},
        {&integer, 42, "42"},
        {&integer, -7, "-7"},
        {&integer, 3.9, "3"},
        {&integer, QStringLiteral("12abc"), "12"},
        {&integer, QStringLiteral("99999999999999999999"), "9223372036854775807"},
        {&bytes, QVariant(), "<nil>"},
        {&bytes, 999, "999 B"},
        {&bytes, 1234567.0, "1.23 MB"},
        {&numbers, QVariant(), "0"},
        {&numbers, 7, "7"},
        {&numbers, QStringLiteral("12"), "12"},
        {&path, QVariant(), "<nil>"},
        {&path, QStringLiteral("/tmp/a b"), "url:file:///tmp/a b"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(show(c.in));
        EXPECT_EQ(show(c.transformer->transformedValue(c.in)), c.out);
    }
}

TEST(ValueTransformers, ReverseTable)
{
    NumbersOnlyTransformer numbers;
    FilepathToStringTransformer path;
    EXPECT_TRUE(numbers.allowsReverseTransformation());
    EXPECT_TRUE(path.allowsReverseTransformation());
    EXPECT_FALSE(IntegerToString().allowsReverseTransformation());
    EXPECT_FALSE(TimestampToString().allowsReverseTransformation());
    EXPECT_FALSE(NBTimeDiffTransformer().allowsReverseTransformation());
    EXPECT_FALSE(NBBytesToStringTransformer().allowsReverseTransformation());
    EXPECT_FALSE(IntegerToString().reverseTransformedValue(QStringLiteral("5")).isValid());

    EXPECT_EQ(show(numbers.reverseTransformedValue(QStringLiteral("12a3"))), "123");
    EXPECT_EQ(show(numbers.reverseTransformedValue(QStringLiteral("abc"))), "0");
    EXPECT_EQ(show(numbers.reverseTransformedValue(QStringLiteral("-5"))), "5");
    EXPECT_EQ(show(numbers.reverseTransformedValue(QVariant())), "0");
    EXPECT_EQ(show(numbers.reverseTransformedValue(QStringLiteral("123456789012345678901234"))),
              "9223372036854775807");

    EXPECT_EQ(show(path.reverseTransformedValue(QVariant())), "<nil>");
    EXPECT_EQ(show(path.reverseTransformedValue(QUrl::fromLocalFile(QStringLiteral("/tmp/a b")))),
              "/tmp/a b");
    const QVariant there = path.transformedValue(QStringLiteral("/home/u/Downloads"));
    EXPECT_EQ(show(path.reverseTransformedValue(there)), "/home/u/Downloads");
}

TEST(ValueTransformers, AgesInTheirUnits)
{
    const double now = 1700000000.0;
    struct Case
    {
        double age;
        const char* text;
    };
    const Case cases[] = {
        {0, "0 seconds"},
        {59.9, "59 seconds"},
        {60, "1 minutes"},
        {3599, "59 minutes"},
        {3600, "1 hours"},
        {86399, "23 hours"},
        {86400, "1 days"},
        {4 * 365 * 86400.0, "1460 days"},
        {5 * 365 * 86400.0, "5 years"},
        {-30, "-30 seconds"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.age);
        EXPECT_EQ(NBTimeDiffTransformer::timeSinceNow(now - c.age, now).toStdString(), c.text);
    }
    // Out-of-range ages do not overflow the whole-number conversion.
    EXPECT_EQ(NBTimeDiffTransformer::timeSinceNow(-1e300, now).toStdString(), "2147483647 years");
    EXPECT_EQ(NBTimeDiffTransformer::timeSinceNow(std::numeric_limits<double>::quiet_NaN(), now), QString());

    NBTimeDiffTransformer age;
    EXPECT_FALSE(age.transformedValue(QVariant()).isValid());
    EXPECT_EQ(age.transformedValue(QStringLiteral("not a time")).toString(), QString());
    EXPECT_TRUE(age.transformedValue(1.0).toString().endsWith(u" years"));
}

TEST(ValueTransformers, TimestampsInTheLocalZone)
{
    TimestampToString stamp;
    EXPECT_FALSE(stamp.transformedValue(QVariant()).isValid());
    inZone("UTC", [&] { EXPECT_EQ(show(stamp.transformedValue(0)), "1970-01-01 00:00"); });
    inZone("Asia/Tokyo", [&] {
        EXPECT_EQ(show(stamp.transformedValue(0)), "1970-01-01 09:00");
        EXPECT_EQ(TimestampToString::unixTimeToDate(1700000000), u"2023-11-15 07:13");
    });
}
