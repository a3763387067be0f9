#include "ui/stats/ViewStatsFramedField.h"

#include "ui/stats/StatsFont.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

ViewStatsFramedField::ViewStatsFramedField(QWidget* parent) : QWidget(parent), textField_(new QLabel(this))
{
    // Reachable with the keyboard: Tab to it, Space or Return opens it.
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    setFixedHeight(28);
    textField_->setFont(StatsFont::arial(12));
    textField_->setStyleSheet(QStringLiteral("color: white;"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(10, 0, 24, 0);
    row->addWidget(textField_);
}

void ViewStatsFramedField::setText(const QString& text)
{
    textField_->setText(text);
}

void ViewStatsFramedField::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor frame = hasFocus() ? QColor(255, 255, 255, 230) : QColor::fromRgbF(1, 1, 1, 0.5f);
    p.setPen(QPen(frame, 2));
    p.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
    // The arrow that says a panel opens here.
    const QPointF c(width() - 13, height() / 2.0 + 2);
    QPainterPath arrow;
    arrow.moveTo(c + QPointF(-4, -3));
    arrow.lineTo(c + QPointF(4, -3));
    arrow.lineTo(c + QPointF(0, 2));
    arrow.closeSubpath();
    p.fillPath(arrow, QColor(255, 255, 255, 220));
}

void ViewStatsFramedField::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton) Q_EMIT clicked();
}

void ViewStatsFramedField::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Space || e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter ||
        e->key() == Qt::Key_Down) {
        Q_EMIT clicked();
        return;
    }
    QWidget::keyPressEvent(e);
}
