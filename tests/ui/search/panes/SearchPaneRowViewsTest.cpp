// The row views of the history table and the bookmarks outline, and the
// history pane's filter field: drawn into images and probed.

#include "ui/search/panes/OutlineRowViewSearchBookmarks.h"
#include "ui/search/panes/SearchFieldCellSearchHistory.h"
#include "ui/search/panes/SearchFieldSearchHistory.h"
#include "ui/search/panes/TableRowViewSearchHistory.h"
#include "ui/search/watchdog/TableRowViewWatchdog.h"

#include "controls/Artwork.h"
#include "controls/ImageButton.h"
#include "controls/SRGB.h"
#include "platform/UserDefaults.h"
#include "support/EventLoop.h"
#include "support/Screenshot.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFocusEvent>
#include <QHeaderView>
#include <QPainter>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

// Within 2 of each 8-bit component: the fills are given as fractions.
::testing::AssertionResult near(QColor actual, QColor expected)
{
    const int d = std::max({std::abs(actual.red() - expected.red()), std::abs(actual.green() - expected.green()),
                            std::abs(actual.blue() - expected.blue())});
    if (d <= 2) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << actual.name().toStdString() << " is not " << expected.name().toStdString();
}

QColor darkened(QColor c)
{
    return QColor::fromRgbF(c.redF() * 0.9f, c.greenF() * 0.9f, c.blueF() * 0.9f);
}

// One row of 100 × 20 drawn by `rowView`, on a magenta ground.
QImage drawnRow(const TableRowViewLight& rowView, QStyle::State state)
{
    QStandardItemModel model(1, 1);
    QImage image(100, 20, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::magenta);
    QPainter painter(&image);
    QStyleOptionViewItem option;
    option.rect = image.rect();
    option.state = state | QStyle::State_Enabled;
    rowView.paint(&painter, option, model.index(0, 0));
    return image;
}

struct RowViews : ::testing::Test
{
    TempHome home;
};

// The history table, the bookmarks outline and the Watchdog tables share one
// drawing: a white line on top and a darker line at the bottom of a light
// row; the selection colour of an emphasized or inactive row with the same
// dark line.
TEST_F(RowViews, RowsAreLightWithTheirEdgesAndSelectedRowsTakeTheQueueColours)
{
    const QColor bg = srgb(0.945, 0.941, 0.941), active = srgb(0.271, 0.443, 0.647), inactive = grey(0.863);
    struct Case
    {
        const char* name;
        QStyle::State state;
        QColor top, middle;
    };
    const Case cases[] = {
        {"unselected", QStyle::State_None, Qt::white, bg},
        {"unselected, active window", QStyle::State_Active, Qt::white, bg},
        {"selected, emphasized", QStyle::State_Selected | QStyle::State_Active, active, active},
        {"selected, window not key", QStyle::State_Selected, inactive, inactive},
    };
    const TableRowViewSearchHistory history;
    const OutlineRowViewSearchBookmarks bookmarks;
    const TableRowViewWatchdog watchdog;
    for (const TableRowViewLight* rowView : {static_cast<const TableRowViewLight*>(&history),
                                             static_cast<const TableRowViewLight*>(&bookmarks),
                                             static_cast<const TableRowViewLight*>(&watchdog)}) {
        for (const Case& c : cases) {
            const QImage row = drawnRow(*rowView, c.state);
            const std::string what = rowView->objectName().toStdString() + ": " + c.name;
            EXPECT_TRUE(near(row.pixelColor(50, 0), c.top)) << what;
            EXPECT_TRUE(near(row.pixelColor(50, 10), c.middle)) << what;
            EXPECT_TRUE(near(row.pixelColor(50, 18), c.middle)) << what;
            EXPECT_TRUE(near(row.pixelColor(50, 19), darkened(c.middle))) << what;
        }
    }
    EXPECT_EQ(history.bgColor(), bg);
    EXPECT_EQ(history.highLightColor(), active);
    EXPECT_EQ(history.highLightInactiveColor(), inactive);
}

TEST_F(RowViews, ASourceListStyleTableGetsTheDefaultSelection)
{
    TableRowViewSearchHistory rowView;
    rowView.setRegularHighlightStyle(false);
    for (QStyle::State state : {QStyle::State(QStyle::State_None), QStyle::State_Selected | QStyle::State_Active}) {
        const QImage row = drawnRow(rowView, state);
        EXPECT_FALSE(near(row.pixelColor(50, 10), rowView.bgColor()));
        EXPECT_FALSE(near(row.pixelColor(50, 10), rowView.highLightColor()));
        EXPECT_FALSE(near(row.pixelColor(50, 0), Qt::white));
    }
}

TEST_F(RowViews, ColoursAreReadOnceWhenARowViewIsMade)
{
    const TableRowViewSearchHistory before;
    QVariantMap colors = UserDefaults::standard().dictionaryForKey(QStringLiteral("QueueRowColorProperties"));
    colors.insert(QStringLiteral("selectedRowColor"), QColor(Qt::red));
    colors.remove(QStringLiteral("selectedInactiveRowColor"));
    UserDefaults::standard().setObject(colors, QStringLiteral("QueueRowColorProperties"));
    const OutlineRowViewSearchBookmarks after;

    EXPECT_EQ(before.highLightColor(), srgb(0.271, 0.443, 0.647));
    EXPECT_EQ(after.highLightColor(), QColor(Qt::red));
    EXPECT_FALSE(after.highLightInactiveColor().isValid());
    EXPECT_FALSE(TableRowViewLight::getRowColorForKey(QStringLiteral("selectedInactiveRowColor")).isValid());
    // Without a colour the style's own inactive selection is drawn.
    EXPECT_TRUE(near(drawnRow(after, QStyle::State_Selected).pixelColor(50, 10),
                     TableRowViewLight::selectionColor(false)));
    EXPECT_TRUE(near(drawnRow(after, QStyle::State_Selected | QStyle::State_Active).pixelColor(50, 10), Qt::red));
}

// The outline as the bookmarks pane draws it: whole rows (indentation
// included) from the row view and its disclosure buttons.
class BookmarksTree : public QTreeView
{
public:
    BookmarksTree()
    {
        rowView_->install(this);
        setHeaderHidden(true);
        setSelectionBehavior(QAbstractItemView::SelectRows);
        setSelectionMode(QAbstractItemView::ExtendedSelection);
        setIndentation(16);
        setUniformRowHeights(true);
        setFrameShape(QFrame::NoFrame);
    }
    OutlineRowViewSearchBookmarks* rowView() const { return rowView_; }

protected:
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        rowView_->drawRow(*painter, *this, option, index);
        QTreeView::drawRow(painter, option, index);
    }
    void drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const override
    {
        if (!model()->hasChildren(index)) return;
        const QRect own(rect.right() - indentation() + 1, rect.top(), indentation(), rect.height());
        rowView_->drawDisclosureButton(*painter, own, isExpanded(index));
    }

private:
    OutlineRowViewSearchBookmarks* rowView_ = new OutlineRowViewSearchBookmarks(this);
};

void fillBookmarks(QStandardItemModel& model)
{
    const auto map = [&](const char* name, QStringList children) {
        auto* item = new QStandardItem(QString::fromLatin1(name));
        item->setIcon(QIcon(Artwork::pixmap(QStringLiteral("img_searchhistory_id_gen"))));
        for (const QString& child : children) {
            auto* c = new QStandardItem(child);
            c->setIcon(QIcon(Artwork::pixmap(QStringLiteral("img_searchhistory_id_gen"))));
            item->appendRow(c);
        }
        model.appendRow(item);
    };
    map("Linux images", {"debian 12 netinst", "ubuntu 24.04 desktop", "fedora workstation"});
    map("Films", {"nature documentaries"});
}

TEST_F(RowViews, BookmarkRowsSpanTheIndentationAndDisclosureButtonsShowTheirArt)
{
    QStandardItemModel model;
    fillBookmarks(model);
    BookmarksTree tree;
    tree.setModel(&model);
    tree.resize(300, 200);
    tree.expand(model.index(0, 0));
    const QModelIndex child = model.index(1, 0, model.index(0, 0));
    tree.selectionModel()->select(child, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    tree.show();
    spinEventLoop(20);
    const QImage shot = tree.viewport()->grab().toImage();
    const OutlineRowViewSearchBookmarks& rowView = *tree.rowView();
    const QRect selectedRow = tree.visualRect(child), plainRow = tree.visualRect(model.index(0, 0, model.index(0, 0)));
    ASSERT_GT(selectedRow.left(), 16) << "a child row is indented";
    // The selection colour of an emphasized row while the tree has the
    // focus, the inactive one without; from x 0, indentation included.
    for (bool focused : {true, false}) {
        if (focused)
            tree.setFocus();
        else
            tree.clearFocus();
        spinEventLoop(20);
        const QImage now = tree.viewport()->grab().toImage();
        const bool emphasized = tree.hasFocus() && tree.isActiveWindow();
        if (!focused) {
            EXPECT_FALSE(emphasized);
        }
        const QColor fill = emphasized ? rowView.highLightColor() : rowView.highLightInactiveColor();
        for (int x : {1, 8, selectedRow.left() + 60, 290}) {
            EXPECT_TRUE(near(now.pixelColor(x, selectedRow.center().y()), fill)) << x << " " << emphasized;
            EXPECT_TRUE(near(now.pixelColor(x, selectedRow.bottom()), darkened(fill))) << x;
            EXPECT_TRUE(near(now.pixelColor(x, plainRow.top()), Qt::white)) << x;
            EXPECT_TRUE(near(now.pixelColor(x, plainRow.bottom()), darkened(rowView.bgColor()))) << x;
        }
    }
    EXPECT_TRUE(near(shot.pixelColor(290, plainRow.center().y()), rowView.bgColor()));

    // The expanded map shows "row_expanded", the collapsed one "row_collapsed".
    const auto button = [&](const QModelIndex& map) {
        const QRect r = tree.visualRect(map);
        const QRect own(r.left() - tree.indentation(), r.top(), tree.indentation(), r.height());
        return shot.copy(QRect(own.center() - QPoint(5, 5), QSize(11, 11)));
    };
    const auto drawn = [&](bool expanded) {
        QImage image(16, tree.visualRect(model.index(0, 0)).height(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter p(&image);
        rowView.drawRow(p, image.rect(), false, false);
        rowView.drawDisclosureButton(p, image.rect(), expanded);
        p.end();
        return image.copy(QRect(image.rect().center() - QPoint(5, 5), QSize(11, 11)));
    };
    EXPECT_EQ(button(model.index(0, 0)).convertToFormat(QImage::Format_RGB32),
              drawn(true).convertToFormat(QImage::Format_RGB32));
    EXPECT_EQ(button(model.index(1, 0)).convertToFormat(QImage::Format_RGB32),
              drawn(false).convertToFormat(QImage::Format_RGB32));
    EXPECT_NE(drawn(true), drawn(false));
    EXPECT_EQ(rowView.image().toImage(), Artwork::pixmap(QStringLiteral("row_collapsed")).toImage());
    EXPECT_EQ(rowView.alternateImage().toImage(), Artwork::pixmap(QStringLiteral("row_expanded")).toImage());
}

TEST_F(RowViews, TheFilterFieldLaysOutItsTextFrom22Over158Points)
{
    EXPECT_EQ(SearchFieldCellSearchHistory::searchTextRectForBounds(QRect(0, 0, 200, 22)), QRect(22, 4, 158, 20));
    EXPECT_EQ(SearchFieldCellSearchHistory::searchTextRectForBounds(QRect(0, 0, 300, 22)).width(), 258);
    SearchFieldCellSearchHistory field;
    EXPECT_EQ(field.textFieldPadding(), 7.0f);
    field.resize(200, 22);
    field.show();
    EXPECT_EQ(field.editor()->geometry().left(), 22);
    EXPECT_EQ(field.editor()->geometry().width(), 158);
}

TEST_F(RowViews, ClearingTheFilterFieldSendsTheEmptyFilterOnce)
{
    SearchFieldCellSearchHistory field;
    field.resize(200, 22);
    field.show();
    QSignalSpy sent(&field, &SearchFieldCell::triggered);
    QTest::keyClicks(field.editor(), "linux");
    QTest::keyClick(field.editor(), Qt::Key_Return);
    ASSERT_EQ(sent.size(), 1);
    EXPECT_EQ(sent.takeFirst()[0].toString(), "linux");
    ASSERT_TRUE(field.cancelButton()->isVisible());
    QTest::mouseClick(field.cancelButton(), Qt::LeftButton);
    EXPECT_EQ(field.text(), "");
    ASSERT_EQ(sent.size(), 1);
    EXPECT_EQ(sent.takeFirst()[0].toString(), "");
    EXPECT_FALSE(field.cancelButton()->isVisible());
}

TEST_F(RowViews, TheFilterFieldIsFlatAndLightWithLightGreyArt)
{
    SearchFieldCellSearchHistory field;
    field.setPlaceholderText(QStringLiteral("Filter"));
    field.resize(200, 22);
    field.show();
    spinEventLoop(20);
    const QImage shot = field.grab().toImage();
    EXPECT_TRUE(near(shot.pixelColor(150, 0), srgb(0.847, 0.843, 0.843)));
    EXPECT_TRUE(near(shot.pixelColor(150, 11), srgb(0.965, 0.961, 0.961)));
    EXPECT_TRUE(near(shot.pixelColor(150, 21), grey(0.757)));
    EXPECT_TRUE(near(shot.pixelColor(197, 11), srgb(0.965, 0.961, 0.961)));

    EXPECT_TRUE(near(field.editor()->palette().color(QPalette::PlaceholderText), grey(2.0 / 3.0)));
    EXPECT_EQ(field.searchButton()->image().toImage(),
              Artwork::pixmap(QStringLiteral("sf_icon_search_lightgray")).toImage());
    EXPECT_EQ(field.cancelButton()->image().toImage(),
              Artwork::pixmap(QStringLiteral("sf_icon_cancel_lightgray")).toImage());
    EXPECT_EQ(field.cancelButton()->alternateImage().toImage(),
              Artwork::pixmap(QStringLiteral("sf_icon_cancel_lightgray_hi")).toImage());

    // Its input: dark grey insertion point and text, selection on light
    // grey, collapsed to the start when editing ends.
    SearchFieldSearchHistory* input = field.searchField();
    ASSERT_EQ(input, field.editor());
    EXPECT_TRUE(near(input->palette().color(QPalette::Text), grey(1.0 / 3.0)));
    EXPECT_TRUE(near(input->palette().color(QPalette::Highlight), grey(2.0 / 3.0)));
    input->setText(QStringLiteral("hello world"));
    input->selectAll();
    QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(input, &leave);
    EXPECT_FALSE(input->hasSelectedText());
    EXPECT_EQ(input->cursorPosition(), 0);
}

// The history pane's parts as a user sees them: the filter field with a
// filter typed, a history table with a selected row and the bookmarks
// outline with a selected bookmark. BINORAMA_SCREENSHOT_DIR names a folder
// to keep the picture in.
TEST_F(RowViews, LookFinished)
{
    QWidget panel;
    QPalette ground = panel.palette();
    ground.setColor(QPalette::Window, srgb(0.945, 0.941, 0.941));
    panel.setPalette(ground);
    panel.setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(&panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* filter = new SearchFieldCellSearchHistory(&panel);
    filter->setPlaceholderText(QStringLiteral("Filter history"));
    filter->setFixedHeight(26);

    QStandardItemModel history;
    for (const char* alias : {"linux iso", "linux kernel 6.8 source", "debian 12 netinst", "linux mint cinnamon",
                              "arch linux 2024.05"}) {
        auto* item = new QStandardItem(QString::fromLatin1(alias));
        item->setIcon(QIcon(Artwork::pixmap(QStringLiteral("img_searchhistory_id_gen"))));
        history.appendRow(item);
    }
    auto* table = new QTableView(&panel);
    table->setModel(&history);
    table->setItemDelegate(new TableRowViewSearchHistory(table));
    table->horizontalHeader()->hide();
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    table->verticalHeader()->setDefaultSectionSize(24);
    table->setShowGrid(false);
    table->setFrameShape(QFrame::NoFrame);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setFixedHeight(24 * 5);
    table->selectRow(1);

    QStandardItemModel bookmarks;
    fillBookmarks(bookmarks);
    auto* tree = new BookmarksTree;
    tree->setParent(&panel);
    tree->setModel(&bookmarks);
    tree->expand(bookmarks.index(0, 0));
    tree->selectionModel()->select(bookmarks.index(2, 0, bookmarks.index(0, 0)),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);

    layout->addWidget(filter);
    layout->addWidget(table);
    layout->addSpacing(8);
    layout->addWidget(tree, 1);
    panel.resize(260, 268);
    panel.show();
    table->setFocus();
    panel.activateWindow();
    QTest::keyClicks(filter->editor(), "linux");
    table->setFocus();
    spinEventLoop(100);
    const QImage shot = panel.grab().toImage();
    EXPECT_TRUE(near(shot.pixelColor(150, 0), srgb(0.847, 0.843, 0.843)));
    saveScreenshot(shot, "search-pane-rows.png");
}

} // namespace
