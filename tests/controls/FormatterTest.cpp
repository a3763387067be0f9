#include "controls/TVLFormatterDomainName.h"
#include "controls/TVLFormatterEmail.h"
#include "controls/TVLFormatterNumbersOnly.h"
#include "controls/TextFieldFormatter.h"

#include <gtest/gtest.h>

#include <memory>

namespace {
struct Case
{
    const char* formatter;
    QString proposed;
    int caret;
    bool accepted;
    QString shown;
    int shownCaret;
};

std::unique_ptr<TVLFormatter> make(const QString& name)
{
    if (name == u"domain") return std::make_unique<TVLFormatterDomainName>();
    if (name == u"email") return std::make_unique<TVLFormatterEmail>();
    if (name == u"numbers") return std::make_unique<TVLFormatterNumbersOnly>();
    auto f = std::make_unique<TextFieldFormatter>();
    f->setMaxLength(5);
    return f;
}
} // namespace

TEST(Formatters, PartialChecksFilterLowerCaseAndPlaceTheCaret)
{
    const Case cases[] = {
        // The host-name set holds ".", "_" and "-"; upper case is lowered.
        {"domain", "Abc_1.X", 7, false, "abc_1.x", 7},
        {"domain", "news.example-1.org", 18, true, "news.example-1.org", 18},
        // A typed blank or slash is dropped and the caret stays where it was.
        {"domain", "abc/", 4, false, "abc", 3},
        {"domain", "ab c", 3, false, "abc", 2},
        // An upper-case letter typed in the middle lands in place, the caret
        // behind it (typing "AB" gives "ab", not "ba").
        {"domain", "aB", 2, false, "ab", 2},
        {"domain", "xAy", 2, false, "xay", 2},
        {"domain", "", 0, true, "", 0},
        {"domain", "/", 1, false, "", 0},
        {"email", "Me@Host.org ", 12, false, "me@host.org", 11},
        {"email", "a@b", 3, true, "a@b", 3},
        {"domain", "a@b", 3, false, "ab", 2},
        {"numbers", "12a3", 3, false, "123", 2},
        {"numbers", "42", 2, true, "42", 2},
        // A numbers-only field is never left empty.
        {"numbers", "", 0, false, "1", 0},
        {"numbers", "x", 1, false, "1", 0},
        // Decimal digits of other scripts are decimal digits too.
        {"numbers", QString::fromUtf8("\u0661\u0662"), 2, true, QString::fromUtf8("\u0661\u0662"), 2},
        // Upper case, at most 5 characters, the caret as proposed.
        {"maxlen", "abcdefg", 7, false, "ABCDE", 5},
        {"maxlen", "abc", 3, false, "ABC", 3},
        {"maxlen", "ABC", 3, true, "ABC", 3},
        {"maxlen", "ABCDE", 5, true, "ABCDE", 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.formatter) + " " + c.proposed.toStdString());
        const auto formatter = make(QString::fromLatin1(c.formatter));
        const TVLFormatter::PartialCheck check = formatter->isPartialStringValid(c.proposed, c.caret);
        EXPECT_EQ(check.accepted, c.accepted);
        if (!check.accepted) {
            EXPECT_EQ(check.replacement.toStdString(), c.shown.toStdString());
            EXPECT_EQ(check.caret, c.shownCaret);
        }
        // As a validator it never refuses: the field shows the replacement.
        QString text = c.proposed;
        int pos = c.caret;
        EXPECT_EQ(formatter->validate(text, pos), QValidator::Acceptable);
        EXPECT_EQ(text.toStdString(), c.shown.toStdString());
        EXPECT_EQ(pos, c.shownCaret);
    }
}

TEST(Formatters, CharacterSetsAreTheDocumentedOnes)
{
    EXPECT_EQ(TVLFormatterDomainName().acceptedCharset(), u"abcdefghijklmnopqrstuvwxyz1234567890._-");
    EXPECT_EQ(TVLFormatterEmail().acceptedCharset(), u"abcdefghijklmnopqrstuvwxyz1234567890._-@");
    EXPECT_EQ(TextFieldFormatter().maxLength(), 0x7fffffff);
}

TEST(Formatters, ObjectValuesAreTheTextAndTheTextOfAValue)
{
    TVLFormatterDomainName domain;
    EXPECT_EQ(domain.getObjectValue(QStringLiteral("a.b")).toString(), u"a.b");
    EXPECT_EQ(domain.stringForObjectValue(QVariant()), QString());
    EXPECT_EQ(domain.stringForObjectValue(42), u"42");
    TextFieldFormatter upper;
    EXPECT_EQ(upper.stringForObjectValue(QStringLiteral("Xy")), u"Xy");
}
