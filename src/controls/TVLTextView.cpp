#include "controls/TVLTextView.h"

#include "controls/SRGB.h"

#include <QPainter>

TVLTextView::TVLTextView(QWidget* parent) : QTextEdit(parent)
{
    placeholderFont_ = font();
    placeholderFont_.setPixelSize(13);
    placeholderColor_ = grey(2.0 / 3.0);
    connect(this, &QTextEdit::textChanged, viewport(), qOverload<>(&QWidget::update));
}

void TVLTextView::setPlaceHolderString(const QString& text)
{
    placeHolderValue_ = text;
    viewport()->update();
}

bool TVLTextView::showsPlaceholder() const
{
    return document()->isEmpty() && !placeHolderValue_.isEmpty();
}

void TVLTextView::paintEvent(QPaintEvent* e)
{
    QTextEdit::paintEvent(e);
    if (!showsPlaceholder()) return;
    QPainter painter(viewport());
    painter.setFont(placeholderFont_);
    painter.setPen(placeholderColor_);
    const QRectF area(10, 10, qMax(0, viewport()->width() - 10), qMax(0, viewport()->height() - 10));
    painter.drawText(area, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, placeHolderValue_);
}

void TVLTextView::focusInEvent(QFocusEvent* e)
{
    viewport()->update();
    QTextEdit::focusInEvent(e);
}

void TVLTextView::focusOutEvent(QFocusEvent* e)
{
    viewport()->update();
    QTextEdit::focusOutEvent(e);
}
