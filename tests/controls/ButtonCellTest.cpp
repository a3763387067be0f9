#include "controls/PopUpButton.h"
#include "controls/SRGB.h"
#include "controls/TVLButton.h"
#include "controls/TVLButtonCell.h"
#include "controls/TVLPopupButton.h"
#include "controls/TVLPopupButtonCell.h"

#include "StandInPixmaps.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QEnterEvent>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QSignalSpy>

namespace {
using DrawState = TVLButtonCell::DrawState;

QPixmap icon()
{
    return StandInPixmaps::plate(QSize(12, 12), Qt::black);
}

// A cell with an image, awake and drawn once (which makes the tinted image).
TVLButtonCell drawnCell(bool onOff, bool hover = false, bool borderless = false)
{
    TVLButtonCell cell;
    cell.setIsOnOff(onOff);
    cell.setDoHover(hover);
    cell.setIsBorderless(borderless);
    cell.setImage(icon());
    cell.awakeFromNib();
    QImage target(60, 22, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&target);
    cell.drawInterior(p, QRectF(0, 0, 60, 22), DrawState{}, QString(), QFont());
    return cell;
}

bool same(const QPixmap& a, const QPixmap& b)
{
    return a.cacheKey() == b.cacheKey();
}
} // namespace

TEST(TVLButtonCell, DefaultsFillOnlyWhatIsUnset)
{
    TVLButtonCell cell;
    cell.setTextColor(srgb(1, 0, 0));
    cell.awakeFromNib();
    EXPECT_EQ(cell.backgroundColorDefault(), grey(0.965));
    EXPECT_EQ(cell.backgroundColorActive(), grey(1.0));
    EXPECT_EQ(cell.borderColor(), grey(0.541));
    EXPECT_FALSE(cell.borderColorHi().isValid());
    EXPECT_EQ(cell.effectiveBorderColorHi(), grey(0.541));
    EXPECT_EQ(cell.textColor(), srgb(1, 0, 0));
    EXPECT_EQ(cell.textColorHi(), srgb(0.176, 0.467, 0.706));
    EXPECT_EQ(cell.tintColorHi(), srgb(0.137, 0.514, 0.969));
    // Left at 0: full-strength tint and 13-point font.
    EXPECT_FLOAT_EQ(cell.tintColorAlpha(), 1.0f);
    EXPECT_EQ(cell.fontSize(), 13);
    EXPECT_EQ(cell.backgroundColor(), grey(0.965));
    EXPECT_TRUE(cell.defaultImage().isNull());

    TVLButtonCell given;
    given.setTintColorAlpha(0.4f);
    given.setFontSize(11);
    given.awakeFromNib();
    EXPECT_FLOAT_EQ(given.tintColorAlpha(), 0.4f);
    EXPECT_EQ(given.fontSize(), 11);
}

TEST(TVLButtonCell, SegmentBordersAreHalfTransparentAndLeftWins)
{
    struct Case
    {
        bool left, middle, right;
        TVLButtonCell::Shape shape;
        double alpha;
    };
    const Case cases[] = {
        {false, false, false, TVLButtonCell::Shape::Default, 1.0},
        {true, false, false, TVLButtonCell::Shape::Left, 0.526},
        {false, true, false, TVLButtonCell::Shape::Middle, 0.526},
        {false, false, true, TVLButtonCell::Shape::Right, 0.526},
        {true, true, true, TVLButtonCell::Shape::Left, 0.526},
        {false, true, true, TVLButtonCell::Shape::Middle, 0.526},
    };
    for (const Case& c : cases) {
        TVLButtonCell cell;
        cell.setIsLeft(c.left);
        cell.setIsMiddle(c.middle);
        cell.setIsRight(c.right);
        cell.awakeFromNib();
        EXPECT_EQ(cell.shape(), c.shape);
        EXPECT_NEAR(cell.borderColor().alphaF(), c.alpha, 0.002);
        EXPECT_NEAR(cell.borderColor().redF(), 0.541, 0.002);
    }
    // A given border colour gets the segment alpha too.
    TVLButtonCell given;
    given.setIsRight(true);
    given.setBorderColor(srgb(0, 0, 1));
    given.awakeFromNib();
    EXPECT_EQ(given.borderColor().rgb(), srgb(0, 0, 1).rgb());
    EXPECT_NEAR(given.borderColor().alphaF(), 0.526, 0.002);
}

TEST(TVLButtonCell, OnOffLookFollowsTheStateAfterTheClickWhilePressed)
{
    TVLButtonCell cell = drawnCell(true);
    cell.setBorderColorHi(srgb(0, 0, 1));
    ASSERT_FALSE(cell.alternateImage().isNull());
    struct Case
    {
        bool pressed, on, lit;
    };
    const Case cases[] = {
        {false, true, true}, {false, false, false}, {true, true, false}, {true, false, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "pressed " << c.pressed << " on " << c.on);
        const TVLButtonCell::Look look = cell.look(DrawState{c.pressed, c.on, true});
        EXPECT_TRUE(look.setsColours);
        EXPECT_EQ(look.background, c.lit ? grey(1.0) : grey(0.965));
        EXPECT_EQ(look.border, c.lit ? srgb(0, 0, 1) : grey(0.541));
        ASSERT_TRUE(look.setsImage);
        EXPECT_TRUE(same(look.image, c.lit ? cell.alternateImage() : cell.defaultImage()));
        // The title: highlighted exactly when lit.
        EXPECT_EQ(cell.titleColor(DrawState{c.pressed, c.on, true}),
                  c.lit ? cell.textColorHi() : cell.textColor());
    }
    // Borderless: the image follows, the colours do not.
    TVLButtonCell borderless = drawnCell(true, false, true);
    const TVLButtonCell::Look look = borderless.look(DrawState{false, true, true});
    EXPECT_FALSE(look.setsColours);
    EXPECT_TRUE(same(look.image, borderless.alternateImage()));
}

TEST(TVLButtonCell, PushAndHoverLooks)
{
    TVLButtonCell push = drawnCell(false);
    TVLButtonCell::Look look = push.look(DrawState{true, false, true});
    EXPECT_EQ(look.background, grey(1.0));
    EXPECT_EQ(look.border, grey(0.541)); // no borderColorHi: borderColor
    EXPECT_FALSE(look.setsImage);
    look = push.look(DrawState{false, false, true});
    EXPECT_EQ(look.background, grey(0.965));
    EXPECT_EQ(push.titleColor(DrawState{true, false, true}), push.textColorHi());
    EXPECT_EQ(push.titleColor(DrawState{false, false, true}), push.textColor());

    // Hover overrides pressing; a borderless hover cell still swaps images.
    TVLButtonCell hover = drawnCell(false, true, true);
    EXPECT_TRUE(hover.mouseEntered(true));
    look = hover.look(DrawState{false, false, true});
    EXPECT_TRUE(same(look.image, hover.alternateImage()));
    EXPECT_EQ(look.background, grey(1.0));
    EXPECT_EQ(hover.titleColor(DrawState{}), hover.textColorHi());
    EXPECT_TRUE(hover.mouseExited());
    look = hover.look(DrawState{true, false, true});
    EXPECT_TRUE(same(look.image, hover.defaultImage()));
    EXPECT_EQ(look.background, grey(0.965));

    // A disabled hover cell does not light up; leaving still clears it.
    EXPECT_FALSE(hover.mouseEntered(false));
    EXPECT_FALSE(hover.mouseInside());
    // Without doHover nothing is tracked.
    EXPECT_FALSE(push.mouseEntered(true));
    EXPECT_FALSE(push.mouseInside());
}

TEST(TVLButtonCell, DisabledTitlesAndControlsAreHalfTransparent)
{
    TVLButtonCell cell;
    cell.awakeFromNib();
    EXPECT_NEAR(cell.titleColor(DrawState{false, false, false}).alphaF(), 0.5, 0.001);
    EXPECT_NEAR(cell.titleColor(DrawState{false, false, true}).alphaF(), 1.0, 0.001);
    EXPECT_DOUBLE_EQ(TVLButtonCell::controlAlpha(false), 0.5);
    EXPECT_DOUBLE_EQ(TVLButtonCell::controlAlpha(true), 1.0);
}

TEST(TVLButtonCell, TheTintedImageIsMadeOnceAndOnlyForACellWithAnImage)
{
    TVLButtonCell cell = drawnCell(false);
    const QPixmap first = cell.alternateImage();
    ASSERT_FALSE(first.isNull());
    // The tint covers the image's shape and leaves its transparent corners.
    const QImage tinted = first.toImage();
    EXPECT_EQ(QColor(tinted.pixel(6, 6)).rgb(), srgb(0.137, 0.514, 0.969).rgb());
    EXPECT_EQ(qAlpha(tinted.pixel(0, 0)), 0);
    cell.setTintColorHi(srgb(1, 0, 0));
    QImage target(60, 22, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&target);
    cell.drawInterior(p, QRectF(0, 0, 60, 22), DrawState{}, QString(), QFont());
    EXPECT_TRUE(same(cell.alternateImage(), first));

    TVLButtonCell bare;
    bare.setIsOnOff(true);
    bare.awakeFromNib();
    bare.drawInterior(p, QRectF(0, 0, 60, 22), DrawState{false, true, true}, QStringLiteral("x"), QFont());
    EXPECT_TRUE(bare.alternateImage().isNull());
    EXPECT_TRUE(bare.image().isNull());
    EXPECT_FALSE(bare.look(DrawState{false, true, true}).setsImage);
}

TEST(TVLButtonCell, ShapesAndImagePlacement)
{
    const QRectF frame(0, 0, 40, 20);
    const QPainterPath first = TVLButtonCell::makeFirstSegmentFromRect(frame, 8);
    EXPECT_FALSE(first.contains(QPointF(0.5, 0.5))); // rounded left corners
    EXPECT_FALSE(first.contains(QPointF(0.5, 19.5)));
    EXPECT_TRUE(first.contains(QPointF(39.5, 0.5))); // square right corners
    EXPECT_TRUE(first.contains(QPointF(39.5, 19.5)));
    const QPainterPath last = TVLButtonCell::makeLastSegmentFromRect(frame, 8);
    EXPECT_TRUE(last.contains(QPointF(0.5, 0.5)));
    EXPECT_FALSE(last.contains(QPointF(39.5, 0.5)));
    EXPECT_FALSE(last.contains(QPointF(39.5, 19.5)));

    TVLButtonCell cell;
    cell.awakeFromNib();
    QImage target(40, 20, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&target);
    EXPECT_EQ(cell.drawDefaultButtonWithFrame(p, frame, cell.borderColor(), cell.backgroundColor()),
              QRectF(2, 1, 36, 18));
    EXPECT_EQ(cell.drawLeftButtonWithFrame(p, frame, false), QRectF(2, 2, 36, 16));
    EXPECT_EQ(cell.drawMiddleButtonWithFrame(p, frame, false), QRectF(1, 2, 36, 16));
    EXPECT_EQ(cell.drawRightButtonWithFrame(p, frame, false), QRectF(1, 2, 36, 16));

    const QRectF imageFrame(3, 4, 12, 12);
    EXPECT_EQ(TVLButtonCell::adjustedImageFrame(imageFrame, QStringLiteral("Go")), QRectF(8, 4, 12, 12));
    EXPECT_EQ(TVLButtonCell::adjustedImageFrame(imageFrame, QString()), imageFrame);
}

TEST(TVLButton, OnOffCellsMakeCheckableButtonsAndDisabledOnesDoNotLightUp)
{
    TVLButton onOff(QStringLiteral("Pause"));
    onOff.cell().setIsOnOff(true);
    onOff.awakeFromNib();
    EXPECT_TRUE(onOff.isCheckable());
    onOff.click();
    EXPECT_TRUE(onOff.drawState().on);

    TVLButton hover(QStringLiteral("Hover"));
    hover.cell().setDoHover(true);
    hover.resize(80, 22);
    hover.show();
    hover.setEnabled(false);
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(&hover, &enter);
    EXPECT_FALSE(hover.cell().mouseInside());
    hover.setEnabled(true);
    QApplication::sendEvent(&hover, &enter);
    EXPECT_TRUE(hover.cell().mouseInside());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&hover, &leave);
    EXPECT_FALSE(hover.cell().mouseInside());
}

TEST(TVLButton, DrawsItsBackgroundColour)
{
    TVLButton button;
    button.resize(60, 24);
    const QImage image = button.grab().toImage();
    // The inside of the rounded box is the default background.
    EXPECT_EQ(QColor(image.pixel(30, 12)), QColor(246, 246, 246));
    EXPECT_EQ(button.cell().backgroundColor(), grey(0.965));
}

TEST(TVLPopupButtonCell, DefaultsAndGeometry)
{
    TVLPopupButtonCell cell;
    cell.setBorderColor(srgb(0, 1, 0));
    cell.awakeFromNib();
    EXPECT_EQ(cell.backgroundColorDefault(), grey(0.965));
    EXPECT_EQ(cell.backgroundColorActive(), grey(1.0));
    EXPECT_EQ(cell.borderColor(), srgb(0, 1, 0));
    EXPECT_EQ(cell.textColor(), grey(0.0));
    EXPECT_EQ(cell.fontSize(), 13);
    EXPECT_EQ(cell.backgroundColorFor(true), grey(1.0));
    EXPECT_EQ(cell.backgroundColorFor(false), grey(0.965));

    const QRectF frame(0, 0, 120, 22);
    EXPECT_EQ(TVLPopupButtonCell::titleRect(frame, 0), QRectF(10, -1, 112, 22));
    // An item image moves the title to image width + 14.
    EXPECT_EQ(TVLPopupButtonCell::titleRect(frame, 16).x(), 30);
    EXPECT_EQ(TVLPopupButtonCell::arrowRect(frame), QRectF(107, 4, 14, 14));
    EXPECT_EQ(TVLPopupButtonCell::dividerRect(frame), QRectF(107, 2, 1, 18));
    EXPECT_EQ(TVLPopupButtonCell::arrowImageName(), u"tvl_sf_history_arrow");
}

TEST(PopUpButton, PickingAnItemSelectsAndAnnouncesIt)
{
    TVLPopupButton popup;
    popup.addItem(QStringLiteral("All"));
    popup.addItem(QStringLiteral("Movies"), StandInPixmaps::plate(QSize(16, 16), Qt::red), 2);
    EXPECT_EQ(popup.indexOfSelectedItem(), 0);
    EXPECT_EQ(popup.text(), u"All");
    QSignalSpy spy(&popup, &PopUpButton::activated);
    popup.itemAtIndex(1)->trigger();
    EXPECT_EQ(popup.indexOfSelectedItem(), 1);
    EXPECT_EQ(popup.titleOfSelectedItem(), u"Movies");
    EXPECT_EQ(popup.text(), u"Movies");
    EXPECT_EQ(popup.selectedItem()->data().toInt(), 2);
    EXPECT_FALSE(popup.imageOfSelectedItem().isNull());
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).toInt(), 1);
    EXPECT_TRUE(popup.itemAtIndex(1)->isChecked());
    EXPECT_FALSE(popup.itemAtIndex(0)->isChecked());
    popup.removeAllItems();
    EXPECT_EQ(popup.numberOfItems(), 0);
    EXPECT_EQ(popup.indexOfSelectedItem(), -1);
}
