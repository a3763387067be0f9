#include "controls/TextFieldCellStyleShadow.h"

#include "controls/SRGB.h"

#include <QPainter>
#include <QStyle>

TextFieldCellStyleShadow::TextFieldCellStyleShadow(QWidget* parent) : QLabel(parent)
{}

TextFieldCellStyleShadow::TextFieldCellStyleShadow(const QString& text, QWidget* parent)
    : QLabel(text, parent)
{}

QColor TextFieldCellStyleShadow::shadowColor()
{
    static const QColor color = grey(0.0, 0.1);
    return color;
}

QPointF TextFieldCellStyleShadow::shadowOffset()
{
    return QPointF(1, 1);
}

void TextFieldCellStyleShadow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect area = contentsRect();
    const int flags = int(alignment()) | (wordWrap() ? Qt::TextWordWrap : 0);
    painter.setFont(font());
    painter.setPen(shadowColor());
    painter.drawText(QRectF(area).translated(shadowOffset()), flags, text());
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
    painter.drawText(QRectF(area), flags, text());
}
