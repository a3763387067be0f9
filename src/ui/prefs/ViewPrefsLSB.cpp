#include "ui/prefs/ViewPrefsLSB.h"

#include "controls/SRGB.h"

#include <QPainter>

ViewPrefsLSB::ViewPrefsLSB(QWidget* parent) : QWidget(parent) {}

void ViewPrefsLSB::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect r = rect();
    painter.fillRect(r.adjusted(0, 0, -1, 0), grey(0.955));
    painter.fillRect(QRect(r.right(), r.top(), 1, r.height()), grey(0.835));
}
