#pragma once

#include <QString>

class QPainter;
class QRect;

// The image button of result rows (the password and spam markers). The tree
// paints it in the row rather than placing a widget per row: at 80 %
// opacity, and under the mouse at full opacity with its hover image
// ("<name>_hover") when the art registry holds one.
class ButtonDPRowWithBG
{
public:
    // The image shown under the mouse for `imagename`.
    static QString hoverImageName(const QString& imagename);
    static void paint(QPainter& painter, const QRect& cell, const QString& imagename, bool hovered);
};
