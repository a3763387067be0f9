#pragma once

#include <QColor>
#include <QPixmap>
#include <QSize>
#include <QString>

// Simple pictures that stand in for the program's artwork in the tests.
namespace StandInPixmaps {
// A rounded plate in one colour.
QPixmap plate(const QSize& size, const QColor& color);
// A glyph (a character) in one colour on a transparent ground.
QPixmap glyph(const QSize& size, const QColor& color, const QString& text);
// Three-part artwork: caps of one colour and a middle of another.
QPixmap capsAndMiddle(const QSize& size, int leftCap, int rightCap, const QColor& caps, const QColor& middle);
} // namespace StandInPixmaps
