#include "core/WildcardPattern.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

// The textbook dynamic programme over pattern × text, as the reference the
// linear matcher must agree with.
bool referenceMatch(const std::string& p, const std::string& t)
{
    std::vector<std::vector<bool>> m(p.size() + 1, std::vector<bool>(t.size() + 1, false));
    m[0][0] = true;
    for (size_t i = 1; i <= p.size(); ++i) {
        for (size_t j = 0; j <= t.size(); ++j) {
            if (p[i - 1] == '*')
                m[i][j] = m[i - 1][j] || (j > 0 && m[i][j - 1]);
            else if (j > 0)
                m[i][j] = m[i - 1][j - 1] && (p[i - 1] == '?' || p[i - 1] == t[j - 1]);
        }
    }
    return m[p.size()][t.size()];
}

constexpr int kCD = WildcardPattern::CaseInsensitive | WildcardPattern::DiacriticInsensitive;
constexpr int kC = WildcardPattern::CaseInsensitive;

} // namespace

TEST(WildcardPattern, OnlyStarAndQuestionMarkAreSpecial)
{
    struct Case
    {
        const char* pattern;
        const char* text;
        int options;
        bool want;
    };
    const Case cases[] = {
        {"*[1]*", "Show [1].mkv", kC, true},
        {"*[1]*", "Show 1.mkv", kC, false}, // brackets are no character class
        {"*[sample]*", "a.mkv", kC, false},
        {"*[sample]*", "x[SAMPLE]y", kC, true},
        {"*.PAR2", "x.par2", kC, true},
        {"*.par2", "X.PAR2", kC, true},
        {"*.par2", "x.par2.1", kC, false},
        {"*.par2*", "x.par2.1", kC, true},
        {"*.?", "file.c", kC, true},
        {"*.?", "file.cc", kC, false},
        {"?", "", kC, false},
        {"*", "", kC, true},
        {"", "", kC, true},
        {"", "a", kC, false},
        {"a*", "a", kC, true},
        {"*a", "a", kC, true},
        {"a*a", "a", kC, false}, // the anchored ends may not overlap
        {"a*a", "aa", kC, true},
        {"a.b", "aXb", kC, false}, // a dot is a dot
        {"a+b", "a+b", kC, true},
        {"a\\*", "a\\bc", kC, true}, // a backslash stands for itself, the star stays a star
        {"(x)|y^$", "(x)|y^$", kC, true},
        {"*.vol*.par2", "Album.Vol.2.par2", kC, true},
        {"Sample*", "sample.mkv", WildcardPattern::CaseSensitive, false},
        {"Sample*", "Sample.mkv", WildcardPattern::CaseSensitive, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(
            WildcardPattern::matches(QString::fromUtf8(c.pattern), QString::fromUtf8(c.text), c.options),
            c.want)
            << c.pattern << " ~ " << c.text;
    }
}

TEST(WildcardPattern, DiacriticsFoldOnlyWhenAsked)
{
    const QString composed = QString::fromUtf8("Caf\xC3\xA9 del Mar.mkv");    // é as one code point
    const QString decomposed = QString::fromUtf8("Cafe\xCC\x81 del Mar.mkv"); // e + combining acute
    EXPECT_TRUE(WildcardPattern::matches("*cafe*", composed, kCD));
    EXPECT_TRUE(WildcardPattern::matches("*cafe*", decomposed, kCD));
    EXPECT_TRUE(WildcardPattern::matches(QString::fromUtf8("*CAF\xC3\x89*"), "cafe", kCD));
    EXPECT_FALSE(WildcardPattern::matches("*cafe*", composed, kC));
    // Without folding diacritics, the two ways of writing é are still one.
    EXPECT_TRUE(WildcardPattern::matches(QString::fromUtf8("*caf\xC3\xA9*"), decomposed, kC));
    // "?" is one character, also outside the basic plane or with a mark.
    EXPECT_TRUE(WildcardPattern::matches("a?c",
                                         QString::fromUtf8("a\xF0\x9F\x98\x80"
                                                           "c"),
                                         kC));
    EXPECT_TRUE(WildcardPattern::matches("caf?", QString::fromUtf8("cafe\xCC\x81"), kCD));
}

TEST(WildcardPattern, AgreesWithTheReferenceOnRandomCases)
{
    std::mt19937 rng(12345);
    const char patternAlphabet[] = {'a', 'b', '*', '?'};
    for (int round = 0; round < 20000; ++round) {
        std::string p, t;
        const int pl = int(rng() % 8), tl = int(rng() % 10);
        for (int i = 0; i < pl; ++i)
            p += patternAlphabet[rng() % 4];
        for (int i = 0; i < tl; ++i)
            t += "ab"[rng() % 2];
        ASSERT_EQ(WildcardPattern::matches(QString::fromStdString(p), QString::fromStdString(t), kC),
                  referenceMatch(p, t))
            << "pattern " << p << " text " << t;
    }
}

TEST(WildcardPattern, ManyStarsAgainstALongText)
{
    // Backtracking matchers take exponential or quadratic time here; the
    // answers are what is pinned here; bench_wildcard_pattern measures the cost.
    const WildcardPattern p("*a*a*a*a*b", kC);
    const QString as(200000, QLatin1Char('a'));
    EXPECT_FALSE(p.matches(as));
    EXPECT_TRUE(p.matches(as + "b"));
    EXPECT_FALSE(p.matches(as + "c"));
    EXPECT_FALSE(p.matches("aaab"));
    EXPECT_TRUE(p.matches("aaaab"));
    const WildcardPattern middle("*aab*aab*", kC);
    EXPECT_FALSE(middle.matches(as));
    EXPECT_TRUE(middle.matches(as + "b" + as + "b"));
}
