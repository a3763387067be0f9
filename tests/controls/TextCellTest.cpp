#include "controls/MultiLineTextFieldCell.h"
#include "controls/SRGB.h"
#include "controls/TVLTextView.h"
#include "controls/TableRowViewDefault.h"
#include "controls/TextFieldCellStyleShadow.h"
#include "controls/TextFieldCellTableView.h"

#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QStyleOptionViewItem>
#include <QTableView>

TEST(TVLTextView, ThePlaceholderShowsOnlyWhileTheViewIsEmpty)
{
    TVLTextView view;
    EXPECT_EQ(view.placeHolderValue(), QString());
    EXPECT_FALSE(view.showsPlaceholder());
    view.setPlaceHolderString(QStringLiteral("Type your message"));
    EXPECT_TRUE(view.showsPlaceholder());
    view.setPlainText(QStringLiteral("x"));
    EXPECT_FALSE(view.showsPlaceholder());
    view.clear();
    EXPECT_TRUE(view.showsPlaceholder());
    EXPECT_EQ(view.placeholderFont().pixelSize(), 13);
    EXPECT_EQ(view.placeholderColor(), grey(2.0 / 3.0));
}

TEST(MultiLineTextFieldCell, TextIsCentredWhenItFitsAndKeepsTheTopWhenItDoesNot)
{
    QFont font;
    font.setPixelSize(12);
    const QRectF tall(0, 0, 200, 100);
    const QRectF one = MultiLineTextFieldCell::titleRectForBounds(tall, QStringLiteral("One line"), font);
    const qreal h = MultiLineTextFieldCell::textHeight(QStringLiteral("One line"), font, 196);
    EXPECT_NEAR(one.height(), h, 0.01);
    EXPECT_NEAR(one.center().y(), 50.0, 0.01);
    EXPECT_EQ(one.x(), 2);
    EXPECT_EQ(one.width(), 196);

    const QString longText = QString("word ").repeated(200);
    const QRectF small(0, 0, 200, 30);
    EXPECT_EQ(MultiLineTextFieldCell::titleRectForBounds(small, longText, font),
              MultiLineTextFieldCell::standardTitleRect(small));
}

TEST(TableRowViewDefault, SelectedRowsAreBlueWhenEmphasizedAndGreyOtherwise)
{
    EXPECT_EQ(TableRowViewDefault::selectionColor(true), srgb(0.2, 0.455, 0.741));
    EXPECT_EQ(TableRowViewDefault::selectionColor(false), grey(0.863));

    TableRowViewDefault row;
    QImage image(10, 10, QImage::Format_ARGB32);
    QPainter painter(&image);
    QStyleOptionViewItem option;
    option.rect = QRect(0, 0, 10, 10);
    option.state = QStyle::State_Enabled | QStyle::State_Active;
    EXPECT_FALSE(row.drawSelectionInRect(&painter, option));
    option.state |= QStyle::State_Selected;
    EXPECT_TRUE(TableRowViewDefault::isEmphasized(option));
    EXPECT_TRUE(row.drawSelectionInRect(&painter, option));
    option.state &= ~QStyle::State_Active;
    EXPECT_FALSE(TableRowViewDefault::isEmphasized(option));

    // A table that has no focus does not emphasize its selection.
    QTableView table;
    option.widget = &table;
    option.state |= QStyle::State_Active;
    EXPECT_FALSE(TableRowViewDefault::isEmphasized(option));
}

TEST(TextFieldCellTableView, TextColourFollowsTheBackgroundStyle)
{
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(236, 236, 236));
    EXPECT_EQ(TextFieldCellTableView::textColor(true, palette), QColor(236, 236, 236));
    EXPECT_EQ(TextFieldCellTableView::textColor(false, palette), srgb(0.282, 0.31, 0.329));
}

TEST(TextFieldCellStyleShadow, AllLabelsShareOneFaintShadow)
{
    EXPECT_EQ(TextFieldCellStyleShadow::shadowColor(), grey(0.0, 0.1));
    EXPECT_EQ(TextFieldCellStyleShadow::shadowOffset(), QPointF(1, 1));
}
