#include "controls/TVLTextField.h"
#include "controls/ImageButton.h"
#include "controls/TVLComponentUtils.h"
#include "controls/TVLFormatterDomainName.h"
#include "controls/TVLTextFieldDelegate.h"

#include "StandInPixmaps.h"
#include "platform/UserDefaults.h"
#include "support/EventLoop.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <memory>

namespace {
struct RecordingDelegate : TVLTextFieldDelegate
{
    QStringList changes; // stringValue at each controlTextDidChange
    QStringList endings;
    QStringList extras;
    void controlTextDidChange(TVLTextField* field) override { changes << field->stringValue(); }
    void controlTextDidEndEditing(TVLTextField* field) override { endings << field->stringValue(); }
    void extraButtonClicked(QAbstractButton*, const QString& identifier) override { extras << identifier; }
};

const QString kHistory = QStringLiteral("deepLookupRecentGroups");

struct Field
{
    TVLTextField field;
    RecordingDelegate delegate;
    explicit Field(bool arrow = true, bool extra = true, bool numbersOnly = false)
    {
        if (arrow) field.setSearchHistoryName(kHistory);
        if (extra) {
            field.setExtraButtonImage(StandInPixmaps::plate(QSize(14, 14), Qt::gray));
            field.setExtraButtonToolTip(QStringLiteral("Choose newsgroups"));
            field.setTf_id(QStringLiteral("Newsgroups"));
        }
        field.setNumbersOnly(numbersOnly);
        field.setDelegate(&delegate);
        field.resize(200, 22);
        field.awakeFromNib();
    }
};

QStringList titles(const QMenu* menu)
{
    QStringList out;
    for (const QAction* a : menu->actions())
        out << (a->isSeparator() ? QStringLiteral("--") : a->text());
    return out;
}
} // namespace

TEST(TVLTextField, PartsArePlacedFromTheRightEdge)
{
    Field f;
    EXPECT_EQ(f.field.cancelButtonRect(), QRect(153, 0, 14, 22));
    EXPECT_EQ(f.field.arrowButtonRect(), QRect(169, 0, 7, 22));
    EXPECT_EQ(f.field.extraButtonRect(), QRect(180, 0, 20, 22));
    EXPECT_TRUE(f.field.searchButtonRect().isNull());
    EXPECT_EQ(f.field.cancelButton()->geometry(), f.field.cancelButtonRect());
    EXPECT_EQ(f.field.extraButton()->toolTip(), u"Choose newsgroups");
    // The input: after the search rectangle, narrowed by all the buttons.
    const QRect input = f.field.textField()->geometry();
    EXPECT_EQ(input.x(), 4);
    EXPECT_EQ(input.width(), 200 - (14 + 7 + 20 + 12));
    EXPECT_EQ(input.height(), 13 + 4);

    // Cancel without the arrow: the other formula.
    Field noArrow(false, true);
    EXPECT_EQ(noArrow.field.cancelButtonRect().x(), 186 - 20 + 2 - 4);
    EXPECT_EQ(noArrow.field.arrowButton(), nullptr);
    Field bare(false, false);
    EXPECT_EQ(bare.field.cancelButtonRect().x(), 186 - 4);
    EXPECT_EQ(bare.field.extraButton(), nullptr);

    TVLTextField search;
    search.setSearchImage(StandInPixmaps::plate(QSize(12, 12), Qt::gray));
    search.resize(200, 22);
    search.awakeFromNib();
    EXPECT_EQ(search.searchButtonRect(), QRect(4, 0, 18, 22));
    EXPECT_EQ(search.textField()->x(), 22);
    // Defaults: white boxes, the grey border, 13-point text, an empty value.
    EXPECT_EQ(search.backgroundColor(), QColor(Qt::white));
    EXPECT_EQ(search.fontSize(), 13);
    EXPECT_EQ(search.stringValue(), QString());
    EXPECT_TRUE(search.isEditable());
}

TEST(TVLTextField, NumbersOnlyFieldsRefuseLetters)
{
    Field f(false, false, true);
    f.field.show();
    QTest::keyClicks(f.field.textField(), QStringLiteral("12a3"));
    EXPECT_EQ(f.field.textField()->text(), u"123");
    EXPECT_EQ(f.field.stringValue(), u"123");
    EXPECT_TRUE(f.field.isActive());
    EXPECT_FALSE(f.field.cancelButton()->isHidden());
    EXPECT_EQ(f.delegate.changes.last(), u"123");

    // Letters set from code take the same way: nothing is left and the
    // delegate hears of it.
    f.delegate.changes.clear();
    f.field.setStringValue(QStringLiteral("abc"));
    EXPECT_EQ(f.field.textField()->text(), QString());
    EXPECT_EQ(f.field.stringValue(), QString());
    EXPECT_TRUE(f.field.cancelButton()->isHidden());
    EXPECT_FALSE(f.field.isActive());
    EXPECT_EQ(f.delegate.changes, QStringList{QString()});
}

TEST(TVLTextField, ValuesSetFromCodeTellTheDelegateOnlyWhenTheInputChanges)
{
    Field f;
    f.field.setStringValue(QStringLiteral("alt.binaries"));
    EXPECT_EQ(f.field.textField()->text(), u"alt.binaries");
    EXPECT_EQ(f.delegate.changes, QStringList{"alt.binaries"});
    EXPECT_TRUE(f.field.isActive());
    f.field.setStringValue(QStringLiteral("alt.binaries"));
    EXPECT_EQ(f.delegate.changes.size(), 1);
}

TEST(TVLTextField, CancelEmptiesTheFieldAndTellsTheDelegate)
{
    Field f;
    f.field.show();
    QTest::keyClicks(f.field.textField(), QStringLiteral("abc"));
    ASSERT_FALSE(f.field.cancelButton()->isHidden());
    f.delegate.changes.clear();
    QTest::mouseClick(f.field.cancelButton(), Qt::LeftButton);
    EXPECT_EQ(f.field.textField()->text(), QString());
    EXPECT_EQ(f.field.stringValue(), QString());
    EXPECT_TRUE(f.field.cancelButton()->isHidden());
    EXPECT_FALSE(f.field.isActive());
    EXPECT_EQ(f.delegate.changes, QStringList{QString()});
}

TEST(TVLTextField, EndOfEditingAndTheExtraButtonReachTheDelegate)
{
    Field f;
    f.field.show();
    QTest::keyClicks(f.field.textField(), QStringLiteral("x"));
    QTest::keyClick(f.field.textField(), Qt::Key_Return);
    ASSERT_FALSE(f.delegate.endings.isEmpty());
    EXPECT_EQ(f.delegate.endings.first(), u"x");
    QTest::mouseClick(f.field.extraButton(), Qt::LeftButton);
    EXPECT_EQ(f.delegate.extras, QStringList{"Newsgroups"});
}

TEST(TVLTextField, TheRecentValuesMenu)
{
    TempHome home;
    Field f;
    std::unique_ptr<QMenu> empty(f.field.makeSearchHistoryMenu());
    EXPECT_EQ(titles(empty.get()), QStringList{"No recent searches"});
    EXPECT_FALSE(empty->actions().first()->isEnabled());

    TVLComponentUtils::updateSearchHistoryWithObject(QStringLiteral("alt.binaries.a"), kHistory);
    TVLComponentUtils::updateSearchHistoryWithObject(QStringLiteral("R&D"), kHistory);
    std::unique_ptr<QMenu> menu(f.field.makeSearchHistoryMenu());
    EXPECT_EQ(titles(menu.get()), (QStringList{"R&&D", "alt.binaries.a", "--", "Clear history"}));

    // Picking a value fills the field without a change call.
    menu->actions().at(0)->trigger();
    EXPECT_EQ(f.field.textField()->text(), u"R&D");
    EXPECT_EQ(f.field.stringValue(), u"R&D");
    EXPECT_TRUE(f.field.isActive());
    EXPECT_TRUE(f.delegate.changes.isEmpty());

    menu->actions().last()->trigger();
    EXPECT_TRUE(TVLComponentUtils::arrayForKey(kHistory).isEmpty());
    std::unique_ptr<QMenu> cleared(f.field.makeSearchHistoryMenu());
    EXPECT_EQ(titles(cleared.get()), QStringList{"No recent searches"});
}

TEST(TVLTextField, ReadOnlyFieldsHaveNoCancelButton)
{
    TVLTextField field;
    field.setNot_editable(true);
    field.resize(200, 22);
    field.awakeFromNib();
    EXPECT_EQ(field.cancelButton(), nullptr);
    EXPECT_TRUE(field.cancelButtonRect().isNull());
    EXPECT_TRUE(field.textField()->isReadOnly());
    EXPECT_FALSE(field.isEditable());
}

TEST(TVLTextField, DisablingTheFieldDisablesEveryPart)
{
    Field f;
    f.field.setEnabled(false);
    EXPECT_FALSE(f.field.textField()->isEnabled());
    EXPECT_FALSE(f.field.cancelButton()->isEnabled());
    EXPECT_FALSE(f.field.arrowButton()->isEnabled());
    EXPECT_FALSE(f.field.extraButton()->isEnabled());
    f.field.setEnabled(true);
    EXPECT_TRUE(f.field.textField()->isEnabled());
    EXPECT_TRUE(f.field.arrowButton()->isEnabled());
}

TEST(TVLTextField, ArtworkByNameReachesTheButtons)
{
    Field f;
    EXPECT_EQ(TVLTextField::artworkNames(), (QStringList{"tvl_sf_cancel", "tvl_sf_cancel_hi",
                                                         "tvl_sf_history_arrow", "tvl_sf_history_arrow_hi"}));
    f.field.setArtwork(QStringLiteral("tvl_sf_cancel"), StandInPixmaps::glyph(QSize(12, 12), Qt::gray, "x"));
    f.field.setArtwork(QStringLiteral("tvl_sf_history_arrow_hi"),
                       StandInPixmaps::glyph(QSize(7, 7), Qt::gray, "v"));
    EXPECT_FALSE(f.field.cancelButton()->image().isNull());
    EXPECT_FALSE(f.field.arrowButton()->alternateImage().isNull());
}

TEST(TVLFormatter, TypedUpperCaseLettersLandInOrder)
{
    QLineEdit edit;
    TVLFormatterDomainName formatter;
    edit.setValidator(&formatter);
    edit.show();
    QTest::keyClicks(&edit, QStringLiteral("News/Host"));
    EXPECT_EQ(edit.text(), u"newshost");
    EXPECT_EQ(edit.cursorPosition(), 8);
}

TEST(TVLTextField, PartsFollowTheFieldWhenItsLayoutResizesIt)
{
    QWidget window;
    auto* layout = new QHBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* field = new TVLTextField;
    field->setSearchHistoryName(kHistory);
    field->setExtraButtonImage(StandInPixmaps::plate(QSize(14, 14), Qt::gray));
    layout->addWidget(field);
    window.resize(200, 22);
    window.show();
    ASSERT_TRUE(waitUntil([&] { return field->width() == 200; }));
    EXPECT_EQ(field->cancelButtonRect().x(), 153);
    EXPECT_EQ(field->arrowButtonRect().x(), 169);

    // The layout, not the field's owner, makes it wider and then narrower.
    for (int width : {320, 150}) {
        SCOPED_TRACE(width);
        window.resize(width, 22);
        ASSERT_TRUE(waitUntil([&] { return field->width() == width; }));
        EXPECT_EQ(field->extraButton()->geometry(), QRect(width - 20, 0, 20, 22));
        EXPECT_EQ(field->arrowButton()->geometry(), QRect(width - 31, 0, 7, 22));
        EXPECT_EQ(field->cancelButton()->geometry().x(), width - 14 - 11 - 20 - 2);
        EXPECT_EQ(field->textField()->width(), width - (14 + 7 + 20 + 12));
    }
}
