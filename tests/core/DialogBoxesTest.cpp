#include "core/DialogBoxes.h"

#include "support/ScriptedDialogAnswerer.h"

#include <gtest/gtest.h>

TEST(DialogBoxes, VariantsTurnResponseCodesIntoAnswers)
{
    ScriptedDialogAnswerer answers;
    const long none = 0, first = 1000, second = 1001, third = 1002;
    answers.script({first, second, none, first, second, third, none, first, second, third, none, first, none,
                    first, none, second});
    EXPECT_FALSE(DialogBoxes::alertBoxDefaultWithNotShowAgain("t", "i"));   // OK
    EXPECT_TRUE(DialogBoxes::alertBoxDefaultWithNotShowAgain("t", "i"));    // Don't show again
    EXPECT_FALSE(DialogBoxes::alertBoxDefaultWithNotShowAgain("t", "i"));   // no answer: switch kept
    EXPECT_EQ(DialogBoxes::alertBoxYesNoWithNotShowAgain("t", "i", true), 0);
    EXPECT_EQ(DialogBoxes::alertBoxYesNoWithNotShowAgain("t", "i", true), 1);
    EXPECT_EQ(DialogBoxes::alertBoxYesNoWithNotShowAgain("t", "i", true), 2);
    EXPECT_EQ(DialogBoxes::alertBoxYesNoWithNotShowAgain("t", "i", true), 1); // no answer is No
    EXPECT_EQ(DialogBoxes::alertBoxRemoveFiles("t", "i"), 0);
    EXPECT_EQ(DialogBoxes::alertBoxRemoveFiles("t", "i"), 1);
    EXPECT_EQ(DialogBoxes::alertBoxRemoveFiles("t", "i"), 2);
    EXPECT_EQ(DialogBoxes::alertBoxRemoveFiles("t", "i"), 0);
    EXPECT_TRUE(DialogBoxes::alertBoxYesNo("t", "i", false));
    EXPECT_FALSE(DialogBoxes::alertBoxYesNo("t", "i", true, true));
    EXPECT_TRUE(DialogBoxes::alertBoxOpenPreferences("t", "i", true));
    EXPECT_FALSE(DialogBoxes::alertBoxRetry("t", "i"));
    EXPECT_TRUE(DialogBoxes::alertBoxDefaultWithInfoLink("t", "i", "https://x", "Contact us"));

    const QList<DialogRequest> asked = answers.asked();
    ASSERT_EQ(asked.size(), 16);
    auto titles = [](const DialogRequest& r) {
        QStringList t;
        for (const auto& b : r.buttons)
            t << b.title;
        return t;
    };
    EXPECT_EQ(titles(asked[0]), QStringList({"OK", "Don't show again"}));
    EXPECT_EQ(titles(asked[3]), QStringList({"Yes", "No", "Don't show again"}));
    EXPECT_EQ(titles(asked[7]), QStringList({"No", "Yes", "Yes and remove all related files"}));
    EXPECT_EQ(asked[7].activeButton, 1);
    EXPECT_EQ(asked[11].activeButton, 2); // "No" answers Return
    EXPECT_TRUE(asked[12].selfClosing);
    EXPECT_EQ(titles(asked[13]), QStringList({"Open Preferences"})); // forced: no way out
    EXPECT_EQ(titles(asked[14]), QStringList({"Retry", "Cancel"}));
    EXPECT_TRUE(asked[15].buttons[1].isLink);
    EXPECT_EQ(asked[15].link, "https://x");
}
