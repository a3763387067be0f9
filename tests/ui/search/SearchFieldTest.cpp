#include "ui/search/SearchField.h"
#include "ui/search/SearchFieldCell.h"

#include "controls/ImageButton.h"

#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFocusEvent>
#include <QSignalSpy>
#include <QTest>

namespace {

TEST(SearchFieldCell, PlacesItsTextBetweenItsButtonsAndCancelsOnce)
{
    TempHome home;
    EXPECT_EQ(SearchFieldCell::searchTextRectForBounds(QRect(0, 0, 200, 22)), QRect(20, 4, 160, 20));
    SearchFieldCell cell;
    cell.resize(200, 22);
    cell.show();
    EXPECT_EQ(cell.editor()->geometry().left(), 20);
    EXPECT_EQ(cell.editor()->geometry().right(), 179);
    QSignalSpy sent(&cell, &SearchFieldCell::triggered);
    QTest::keyClicks(cell.editor(), "words");
    EXPECT_TRUE(cell.cancelButton()->isVisible());
    QTest::mouseClick(cell.cancelButton(), Qt::LeftButton);
    EXPECT_EQ(cell.text(), "");
    ASSERT_EQ(sent.size(), 1);
    EXPECT_EQ(sent[0][0].toString(), "");
    // A disabled cell draws its inactive set, cut from the same image.
    const ThreePartImageCell::Pieces* normal = &cell.currentPieces();
    cell.setEnabled(false);
    EXPECT_NE(&cell.currentPieces(), normal);
    for (const char* piece : {"lp", "mp", "rp"})
        EXPECT_EQ(cell.currentPieces().value(piece).toImage(), normal->value(piece).toImage()) << piece;
}

TEST(SearchField, CollapsesTheSelectionToTheStartWhenEditingEnds)
{
    TempHome home;
    SearchField field_;
    SearchField* field = &field_;
    field->setText("hello world");
    field->selectAll();
    QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(field, &leave);
    EXPECT_FALSE(field->hasSelectedText());
    EXPECT_EQ(field->cursorPosition(), 0);
    EXPECT_EQ(field->palette().color(QPalette::Text), QColor(Qt::white));
}

} // namespace
