#include "ui/stats/StatsButtonCellDark.h"

#include "ui/stats/StatsFont.h"

#include <QPainter>

StatsButtonCellDark::StatsButtonCellDark(const QString& title, QWidget* parent) : QPushButton(title, parent)
{
    setCheckable(true);
    setFlat(true);
    setFont(StatsFont::arial(12));
    setFixedHeight(28);
    setMinimumWidth(64);
}

QColor StatsButtonCellDark::onColor()
{
    return QColor::fromRgbF(0.376f, 0.42f, 0.455f, 1.0f);
}

QColor StatsButtonCellDark::frameColor()
{
    return QColor::fromRgbF(1, 1, 1, 0.5f);
}

QColor StatsButtonCellDark::titleColor(bool enabled)
{
    return QColor::fromRgbF(1, 1, 1, enabled ? 1.0f : 0.3f);
}

void StatsButtonCellDark::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (isDown() || isChecked()) p.fillRect(rect(), onColor());
    p.setRenderHint(QPainter::Antialiasing);
    // Keyboard focus brightens the frame, so Tab shows where it is.
    p.setPen(QPen(hasFocus() ? QColor(255, 255, 255, 230) : frameColor(), 2));
    p.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
    p.setPen(titleColor(isEnabled()));
    p.setFont(font());
    // The title sits 2 points higher than centred, as the page's fields do.
    p.drawText(rect().adjusted(0, -2, 0, 0), Qt::AlignCenter, text());
}
