#pragma once

#include <QColor>

// The controls give their colours as sRGB components from 0 to 1.
inline QColor srgb(double r, double g, double b, double a = 1.0)
{
    return QColor::fromRgbF(float(r), float(g), float(b), float(a));
}

inline QColor grey(double g, double a = 1.0)
{
    return srgb(g, g, g, a);
}

// The same colour at another alpha.
inline QColor withAlpha(QColor c, double a)
{
    c.setAlphaF(float(a));
    return c;
}
