#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

// Where the program's small windows appear: centred on the main window, the
// top edge a fixed distance below the main window's top edge, kept inside the
// visible part of the main screen. Each window has its own distance.
class WindowPlacement
{
public:
    static constexpr int kDialogDistance = 60;
    static constexpr int kLoadingWindowDistance = 100;
    static constexpr int kAboutWindowDistance = 120;
    static constexpr int kHelpWindowDistance = 90;

    // The top-left corner for a window of `size` against the `reference`
    // window's frame. `visible` is the screen's available area; an invalid
    // rectangle means no screen, and then only the lower bounds (0) apply.
    // Inside the area the top and left edges win over the bottom and right
    // ones, so a window larger than the screen keeps its title bar reachable.
    static QPoint centeredOrigin(const QRect& reference, const QSize& size, const QRect& visible,
                                 int distance);

    // Moves `window` (keeping its size) by the rule above. The reference is
    // the visible main window; without one, the first other visible window;
    // without any, an empty rectangle at the origin.
    static void centerWindow(QWidget* window, int distance);

    // The reference window frame that centerWindow uses for `window`.
    static QRect referenceFrame(const QWidget* window);
};
