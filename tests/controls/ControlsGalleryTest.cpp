#include "controls/ButtonCellLSB.h"
#include "controls/ButtonCellTBBlue.h"
#include "controls/ButtonCellTBDark.h"
#include "controls/ButtonCellTBDarkOnOff.h"
#include "controls/ButtonCellTBRed.h"
#include "controls/ButtonCellToolbar.h"
#include "controls/ButtonCollapseBottom.h"
#include "controls/ButtonCollapseBottomDark.h"
#include "controls/ButtonCollapseLeft.h"
#include "controls/ButtonCollapseRight.h"
#include "controls/CheckBoxCellGray.h"
#include "controls/HorizontalLine.h"
#include "controls/MLCalendarView.h"
#include "controls/MultiLineTextFieldCell.h"
#include "controls/PopupButtonCellBlue.h"
#include "controls/PopupButtonCellTBDark.h"
#include "controls/PopupButtonTransparent.h"
#include "controls/RFOverlayScrollView.h"
#include "controls/RFOverlayScroller.h"
#include "controls/SplitViewMain.h"
#include "controls/TVLButton.h"
#include "controls/TVLPopupButton.h"
#include "controls/TVLTextField.h"
#include "controls/TVLTextView.h"
#include "controls/TVLView.h"
#include "controls/TableRowViewDefault.h"
#include "controls/TextFieldCellStyleShadow.h"
#include "controls/TextFieldCellTableView.h"
#include "controls/ViewBottom.h"
#include "controls/ViewColorBox.h"
#include "controls/ViewFooter.h"
#include "controls/ViewHeader.h"
#include "controls/ViewLeftSideBar.h"
#include "controls/ViewMain.h"
#include "controls/ViewOrangeLed.h"
#include "controls/ViewRedLed.h"
#include "controls/ViewTitleBarBottom.h"
#include "controls/ViewTitleBarMain.h"
#include "controls/ViewTitleBarMainGray.h"
#include "controls/ViewToolbar.h"

#include "controls/Artwork.h"
#include "ui/search/SearchField.h"
#include "ui/search/SearchFieldCell.h"
#include "controls/CoreArtwork.h"

#include "support/EventLoop.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

namespace {
QPixmap art(const char* name, const QSize& size = QSize())
{
    return Artwork::pixmap(QString::fromLatin1(name), size);
}

QLabel* caption(const QString& text)
{
    auto* label = new QLabel(text);
    QFont f = label->font();
    f.setPixelSize(10);
    label->setFont(f);
    return label;
}

template <typename T> T* sized(T* w, int width, int height)
{
    w->setFixedSize(width, height);
    return w;
}
} // namespace

TEST(ControlsGallery, OneOfEachControlRendersIntoAScreenshot)
{
    TempHome home;
    QWidget window;
    window.setObjectName(QStringLiteral("gallery"));
    auto* top = new QHBoxLayout(&window);
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(0);

    // The dark side bar with its buttons.
    auto* side = new ViewLeftSideBar;
    side->setFixedWidth(72);
    auto* sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(0, 0, 1, 0);
    sideLayout->setSpacing(0);
    const QStringList glyphs = CoreArtwork::sideBarNames();
    const char* titles[] = {"Search", "Queue", "Watchdog", "Post", "Statistics", "Log"};
    for (int i = 0; i < 6; ++i) {
        auto* b = new ButtonCellLSB;
        b->setText(QString::fromLatin1(titles[i]));
        b->setImage(Artwork::pixmap(glyphs.at(i)));
        b->setFixedSize(71, 64);
        b->setChecked(i == 1);
        sideLayout->addWidget(b);
    }
    sideLayout->addStretch();
    top->addWidget(side);

    auto* page = new ViewMain;
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    top->addWidget(page, 1);

    // The window's toolbar with toolbar buttons and three-part buttons.
    auto* toolbar = new ViewToolbar;
    toolbar->setFixedHeight(52);
    auto* bar = new QHBoxLayout(toolbar);
    bar->setContentsMargins(8, 4, 8, 5);
    auto* tool = new ButtonCellToolbar;
    tool->setText(QStringLiteral("Post"));
    tool->setImage(art(CoreArtwork::kSideBarPost, QSize(22, 22)));
    bar->addWidget(sized(tool, 48, 42));
    ThreePartImageButton* threes[] = {new ButtonCellTBDark, new ButtonCellTBDarkOnOff, new ButtonCellTBBlue,
                                      new ButtonCellTBRed};
    const char* threeTitles[] = {"Dark", "On/Off", "Blue", "Red"};
    for (int i = 0; i < 4; ++i) {
        threes[i]->setText(QString::fromLatin1(threeTitles[i]));
        bar->addWidget(sized(threes[i], 66, 24));
    }
    threes[1]->setChecked(true);
    threes[3]->setEnabled(false);
    ThreePartImagePopUp* pops[] = {new PopupButtonCellTBDark, new PopupButtonCellBlue,
                                   new PopupButtonTransparent};
    for (ThreePartImagePopUp* pop : pops) {
        pop->addItem(QStringLiteral("Today"));
        pop->addItem(QStringLiteral("Week"));
        bar->addWidget(sized(pop, 80, 24));
    }
    // The search field for dark grounds, with a selection.
    auto* darkField = new SearchField;
    darkField->setText(QStringLiteral("dark search field"));
    darkField->setSelection(5, 6);
    bar->addWidget(sized(darkField, 150, 22));
    bar->addStretch();
    column->addWidget(toolbar);

    auto* titleBar = new ViewTitleBarMain;
    titleBar->setFixedHeight(30);
    auto* titleLayout = new QHBoxLayout(titleBar);
    titleLayout->setContentsMargins(10, 0, 4, 1);
    auto* shadowLabel = new TextFieldCellStyleShadow(QStringLiteral("Title bar with a shadowed label"));
    QPalette light = shadowLabel->palette();
    light.setColor(QPalette::WindowText, Qt::white);
    shadowLabel->setPalette(light);
    titleLayout->addWidget(shadowLabel);
    titleLayout->addStretch();
    auto* collapseRight = new ButtonCollapseRight;
    titleLayout->addWidget(sized(collapseRight, 28, 29));
    column->addWidget(titleBar);

    auto* header = new ViewHeader;
    header->setFixedHeight(40);
    auto* headerLayout = new QHBoxLayout(header);
    headerLayout->setContentsMargins(10, 8, 10, 9);
    auto* field = new TVLTextField;
    field->setObjectName(QStringLiteral("searchField"));
    field->setSearchImage(art("sf_icon_search_lightgray"));
    field->setSearchHistoryName(QStringLiteral("deepLookupRecentTitle"));
    field->setExtraButtonImage(art("img_searchhistory_id_gen", QSize(14, 14)));
    field->setPlaceHolderString(QStringLiteral("Search"));
    headerLayout->addWidget(sized(field, 220, 22));
    auto* cellField = new SearchFieldCell;
    cellField->setPlaceholderText(QStringLiteral("Search field cell"));
    headerLayout->addWidget(sized(cellField, 160, 22));
    auto* push = new TVLButton(QStringLiteral("Download"));
    push->setImage(art("qbtn_stats_downloading", QSize(14, 14)));
    headerLayout->addWidget(sized(push, 96, 22));
    const char* segments[] = {"Left", "Middle", "Right"};
    for (int i = 0; i < 3; ++i) {
        auto* s = new TVLButton(QString::fromLatin1(segments[i]));
        s->cell().setIsLeft(i == 0);
        s->cell().setIsMiddle(i == 1);
        s->cell().setIsRight(i == 2);
        s->cell().setIsOnOff(true);
        headerLayout->addWidget(sized(s, 60, 22));
        if (i == 1) {
            s->awakeFromNib();
            s->setChecked(true);
        }
    }
    headerLayout->setSpacing(4);
    auto* popup = new TVLPopupButton;
    popup->addItem(QStringLiteral("All groups"));
    popup->addItem(QStringLiteral("Favourites"));
    headerLayout->addWidget(sized(popup, 110, 22));
    auto* check = new CheckBoxCellGray(QStringLiteral("Grey check box"));
    check->setChecked(true);
    headerLayout->addWidget(check);
    auto* mixed = new CheckBoxCellGray(QStringLiteral("Mixed"));
    mixed->setTristate(true);
    mixed->setCheckState(Qt::PartiallyChecked);
    headerLayout->addWidget(mixed);
    headerLayout->addStretch();
    column->addWidget(header);

    // The body: calendar, a table in an overlay scroll view, text pieces.
    auto* body = new QHBoxLayout;
    body->setContentsMargins(10, 10, 10, 10);
    body->setSpacing(10);
    auto* calendar = new MLCalendarView;
    calendar->setFirstWeekday(2);
    calendar->setToday(QDate(2024, 2, 14));
    calendar->setDate(QDate(2024, 2, 1));
    calendar->setSelectedDate(QDate(2024, 2, 20));
    body->addWidget(sized(calendar, 230, 200), 0, Qt::AlignTop);

    auto* model = new QStandardItemModel(40, 2, &window);
    model->setHorizontalHeaderLabels({QStringLiteral("Name"), QStringLiteral("Size")});
    for (int r = 0; r < 40; ++r) {
        model->setItem(r, 0, new QStandardItem(QStringLiteral("file-%1.rar").arg(r)));
        model->setItem(r, 1, new QStandardItem(QStringLiteral("%1 MB").arg(r * 7 + 3)));
    }
    auto* table = new QTableView;
    table->setModel(model);
    table->setItemDelegate(new TextFieldCellTableView(table));
    table->horizontalHeader()->setFixedHeight(17);
    table->verticalHeader()->hide();
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->selectRow(2);
    auto* scroll = new RFOverlayScrollView;
    scroll->setDocumentView(table);
    body->addWidget(sized(scroll, 220, 200), 0, Qt::AlignTop);

    auto* texts = new QVBoxLayout;
    auto* textView = new TVLTextView;
    textView->setPlaceHolderString(QStringLiteral("Placeholder of an empty text view"));
    texts->addWidget(sized(textView, 240, 70));
    auto* multi = new MultiLineTextFieldCell;
    multi->setText(QStringLiteral("A label whose two lines sit in the vertical middle of its cell."));
    texts->addWidget(sized(multi, 240, 56));
    auto* line = new HorizontalLine;
    texts->addWidget(sized(line, 240, 1));
    auto* bordered = new TVLView;
    bordered->setBackgroundColor(QColor(250, 250, 240));
    bordered->setLeftBorderColor(QColor(230, 120, 40));
    bordered->setBottomBorderColor(QColor(120, 120, 120));
    texts->addWidget(sized(bordered, 240, 24));
    auto* leds = new QHBoxLayout;
    leds->addWidget(sized(new ViewOrangeLed, 10, 10));
    leds->addWidget(sized(new ViewRedLed, 10, 10));
    auto* swatch = new ViewColorBox;
    swatch->setBgcolor(QColor(70, 140, 90));
    leds->addWidget(sized(swatch, 10, 10));
    leds->addWidget(caption(QStringLiteral("lamps and a colour box")));
    leds->addStretch();
    texts->addLayout(leds);
    texts->addStretch();
    body->addLayout(texts);
    column->addLayout(body, 1);

    // The lower pane of a main split view, its title bar holding collapse buttons.
    auto* split = new SplitViewMain;
    auto* splitTop = new ViewMain;
    auto* splitBottom = new ViewBottom;
    auto* splitBottomLayout = new QVBoxLayout(splitBottom);
    splitBottomLayout->setContentsMargins(0, 0, 0, 0);
    auto* bottomBar = new ViewTitleBarBottom;
    bottomBar->setFixedHeight(27);
    auto* bottomBarLayout = new QHBoxLayout(bottomBar);
    bottomBarLayout->setContentsMargins(8, 1, 0, 1);
    bottomBarLayout->addWidget(caption(QStringLiteral("<font color=white>Connections</font>")));
    bottomBarLayout->addStretch();
    // The light collapse button belongs on light bars, the others on dark ones.
    ButtonCollapse* collapses[] = {new ButtonCollapseLeft, new ButtonCollapseBottomDark};
    for (ButtonCollapse* c : collapses)
        bottomBarLayout->addWidget(sized(c, 26, 25));
    collapses[1]->setState(1);
    auto* collapseBottom = new ButtonCollapseBottom;
    headerLayout->addWidget(sized(collapseBottom, 24, 22));
    splitBottomLayout->addWidget(bottomBar);
    auto* gray = new ViewTitleBarMainGray;
    splitBottomLayout->addWidget(sized(gray, 200, 8));
    splitBottomLayout->addStretch();
    auto* footer = new ViewFooter;
    footer->setFixedHeight(18);
    splitBottomLayout->addWidget(footer);
    split->addWidget(splitTop);
    split->addWidget(splitBottom);
    column->addWidget(sized(split, 760, 110));
    split->setSizes({20, 90});

    window.resize(920, 520);
    window.show();
    ASSERT_TRUE(waitUntil([&] { return window.isVisible(); }));
    spinEventLoop(100);

    const QPixmap shot = window.grab();
    const QString path = QStringLiteral(BINORAMA_BINARY_DIR "/controls_gallery.png");
    ASSERT_TRUE(shot.save(path, "PNG"));
    EXPECT_GT(QFileInfo(path).size(), 10000);
    const QImage image = shot.toImage();
    // Side bar (below its six buttons) and toolbar are where they should be.
    EXPECT_EQ(QColor(image.pixel(10, 440)), QColor(69, 75, 83));
    EXPECT_EQ(QColor(image.pixel(900, 20)), QColor(67, 112, 167));
    // The buttons draw the registry's art, not stand-ins.
    const QPoint dark = threes[0]->mapTo(&window, QPoint(8, 12));
    const QColor drawn = image.pixelColor(dark);
    const QColor art = Artwork::image(QStringLiteral("btn_tb_dark")).pixelColor(8, 12);
    EXPECT_LE(std::abs(drawn.red() - art.red()) + std::abs(drawn.blue() - art.blue()), 6);
}

namespace {
// One tile of the art sheet: the image on a light and on a dark ground, its
// name below. Images larger than a ground are scaled down to fit.
void drawSheetTile(QPainter& p, const QRect& tile, const QString& name)
{
    const QSize ground(80, 52);
    const QRect light(tile.topLeft() + QPoint(4, 4), ground);
    const QRect dark(light.topRight() + QPoint(5, 0), ground);
    p.fillRect(light, QColor(230, 230, 230));
    p.fillRect(dark, QColor(69, 75, 83));
    const QSize design = Artwork::designSize(name);
    const QSize shown = design.width() > ground.width() - 8 || design.height() > ground.height() - 8
                            ? design.scaled(ground - QSize(8, 8), Qt::KeepAspectRatio)
                            : design;
    const QPixmap image = Artwork::pixmap(name, shown);
    for (const QRect& g : {light, dark})
        p.drawPixmap(QRect(QPoint(g.center().x() - shown.width() / 2 + 1, g.center().y() - shown.height() / 2 + 1),
                           shown),
                     image);
    QFont f = p.font();
    f.setPixelSize(10);
    p.setFont(f);
    p.setPen(QColor(40, 40, 40));
    const QRect label(tile.left() + 2, light.bottom() + 3, tile.width() - 4, 14);
    p.drawText(label, Qt::AlignHCenter | Qt::AlignVCenter,
               p.fontMetrics().elidedText(QStringLiteral("%1 %2x%3").arg(name).arg(design.width()).arg(design.height()),
                                          Qt::ElideMiddle, label.width()));
}
} // namespace

TEST(ControlsGallery, EveryRegisteredImageOnOneArtSheet)
{
    const QStringList names = Artwork::names();
    ASSERT_GT(names.size(), 100);
    const QSize tile(178, 78);
    const int columns = 7;
    const int rows = int((names.size() + columns - 1) / columns);
    QImage sheet(columns * tile.width(), rows * tile.height(), QImage::Format_RGB32);
    sheet.fill(Qt::white);
    {
        QPainter p(&sheet);
        for (int i = 0; i < names.size(); ++i) {
            const QRect cell(QPoint((i % columns) * tile.width(), (i / columns) * tile.height()), tile);
            drawSheetTile(p, cell, names.at(i));
        }
    }
    const QString path = QStringLiteral(BINORAMA_BINARY_DIR "/controls_art_sheet.png");
    ASSERT_TRUE(sheet.save(path, "PNG"));
    EXPECT_GT(QFileInfo(path).size(), 20000);
    // The first tile's light ground is where it should be.
    EXPECT_EQ(sheet.pixelColor(6, 6), QColor(230, 230, 230));
}

