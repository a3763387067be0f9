#include "core/StringFormat.h"

#include <gtest/gtest.h>

#include <clocale>

TEST(StringFormat, PrintfConventionsWithObjects)
{
    struct Case
    {
        QString got;
        const char* want;
    };
    const Case cases[] = {
        {sformat(u"Converting database: %@ from v%ld to v%ld", QString("nntpservers.db"), 100L, 102L),
         "Converting database: nntpservers.db from v100 to v102"},
        {sformat(u"%-7s %@ |", QString("[WARN]"), QString("12:00:00.000")), "[WARN]  12:00:00.000 |"},
        {sformat(u"%-7s|", QString("[DEBUG]")), "[DEBUG]|"},
        {sformat(u"%4.2f %@", 1.5, "KB"), "1.50 KB"},
        {sformat(u"%.1f", 1.25), "1.2"},
        {sformat(u"%d%%", 42), "42%"},
        {sformat(u"%lu", std::uint64_t(18446744073709551615ull)), "18446744073709551615"},
        {sformat(u"%05d|%x|%X", 42, 255, 255), "00042|ff|FF"},
        {sformat(u"[%@ %@]", "MainVC", "viewDidLoad"), "[MainVC viewDidLoad]"},
        {sformat(u"%hhd", true), "1"},
        {sformat(u"%c", 'A'), "A"},
        // A conversion without an argument prints nothing; never reads memory.
        {sformat(u"a %@ b %d c"), "a  b  c"},
        // Numbers given to %d are cut, not rounded; NaN and infinity give 0.
        {sformat(u"%d", 999.9), "999"},
        {sformat(u"%d", std::numeric_limits<double>::quiet_NaN()), "0"},
        // Unknown conversions stay as they are; %n never writes.
        {sformat(u"%n %y", 5), "%n %y"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.got.toStdString(), std::string(c.want));
}

TEST(StringFormat, ArgumentTextIsNeverAFormat)
{
    EXPECT_EQ(sformat(u"Error: %@", QString("/tmp/%s%n%@/x")), "Error: /tmp/%s%n%@/x");
    EXPECT_EQ(sformat(u"%s", "100%"), "100%");
}

TEST(StringFormat, NumbersIgnoreTheUserLocale)
{
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    // A locale with a decimal comma, where the machine has one.
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "fr_FR.UTF-8"))
        std::setlocale(LC_NUMERIC, "C.UTF-8");
    EXPECT_EQ(sformat(u"%4.2f", 1234.5), "1234.50");
    std::setlocale(LC_NUMERIC, saved.c_str());
}
