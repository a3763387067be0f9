#include "ui/core/WindowPlacement.h"

#include <QApplication>
#include <QMainWindow>
#include <QScreen>
#include <QWidget>

#include <algorithm>

QPoint WindowPlacement::centeredOrigin(const QRect& reference, const QSize& size, const QRect& visible,
                                       int distance)
{
    int x = reference.x() + reference.width() / 2 - size.width() / 2;
    int y = reference.y() + distance;
    if (!visible.isValid()) return {std::max(x, 0), std::max(y, 0)};
    x = std::min(x, visible.x() + visible.width() - size.width());
    y = std::min(y, visible.y() + visible.height() - size.height());
    return {std::max(x, visible.x()), std::max(y, visible.y())};
}

QRect WindowPlacement::referenceFrame(const QWidget* window)
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (const QWidget* w : windows) {
        if (w != window && w->isVisible() && qobject_cast<const QMainWindow*>(w)) return w->frameGeometry();
    }
    for (const QWidget* w : windows) {
        if (w != window && w->isVisible() && w->isWindow()) return w->frameGeometry();
    }
    return QRect(0, 0, 0, 0);
}

void WindowPlacement::centerWindow(QWidget* window, int distance)
{
    if (!window) return;
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect visible = screen ? screen->availableGeometry() : QRect();
    window->move(centeredOrigin(referenceFrame(window), window->frameGeometry().size(), visible, distance));
    window->update();
}
