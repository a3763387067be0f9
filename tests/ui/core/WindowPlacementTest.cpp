#include "ui/core/WindowPlacement.h"

#include "support/EventLoop.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>

TEST(WindowPlacement, CentresBelowTheReferenceTopAndClampsToTheVisibleArea)
{
    struct Case
    {
        const char* what;
        QRect reference;
        QSize size;
        QRect visible;
        int distance;
        QPoint expected;
    };
    const QRect desk(0, 25, 1280, 775); // below a menu bar
    const Case cases[] = {
        {"centred, 60 below the top", {100, 100, 800, 600}, {460, 160}, desk, 60, {270, 160}},
        {"loading window distance", {100, 100, 800, 600}, {360, 120}, desk, 100, {320, 200}},
        {"about window distance", {100, 100, 800, 600}, {360, 120}, desk, 120, {320, 220}},
        {"help window distance", {100, 100, 800, 600}, {360, 120}, desk, 90, {320, 190}},
        {"reference above the screen top", {100, -300, 800, 600}, {460, 160}, desk, 60, {270, 25}},
        {"reference near the bottom right", {1000, 700, 800, 600}, {460, 160}, desk, 60, {820, 640}},
        {"reference off the left edge", {-700, 100, 800, 600}, {460, 160}, desk, 60, {0, 160}},
        // A second screen right of the first: the far edges count, not the
        // width alone, or the window would be pushed back onto the first.
        {"visible area not at the origin",
         {1300, 100, 800, 600},
         {460, 160},
         {1280, 0, 1920, 1080},
         60,
         {1470, 160}},
        {"larger than the screen keeps its top left visible",
         {0, 0, 800, 600},
         {2000, 1000},
         desk,
         60,
         {0, 25}},
        {"no screen: only the lower bounds", {0, 0, 0, 0}, {460, 160}, QRect(), 60, {0, 60}},
        {"no screen, reference far away", {3000, 2000, 800, 600}, {460, 160}, QRect(), 60, {3170, 2060}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WindowPlacement::centeredOrigin(c.reference, c.size, c.visible, c.distance), c.expected)
            << c.what;
}

TEST(WindowPlacement, PlacesAgainstTheVisibleMainWindow)
{
    const QRect visible = QGuiApplication::primaryScreen()->availableGeometry();
    QDialog other; // a window that is not the main one: never the reference while a main window shows
    other.setGeometry(visible.x() + 300, visible.y() + 200, 200, 100);
    other.show();
    QMainWindow main;
    main.setGeometry(visible.x() + 20, visible.y() + 10, 600, 400);
    main.show();
    ASSERT_TRUE(waitUntil([&] { return main.isVisible(); }));

    QDialog window;
    window.resize(300, 100);
    WindowPlacement::centerWindow(&window, 90);
    EXPECT_EQ(WindowPlacement::referenceFrame(&window), main.frameGeometry());
    EXPECT_EQ(window.pos(), QPoint(main.frameGeometry().x() + main.frameGeometry().width() / 2 - 150,
                                   main.frameGeometry().top() + 90));

    // Without a main window the first other window serves.
    main.hide();
    EXPECT_EQ(WindowPlacement::referenceFrame(&window), other.frameGeometry());
    other.hide();
    EXPECT_EQ(WindowPlacement::referenceFrame(&window), QRect(0, 0, 0, 0));
}
