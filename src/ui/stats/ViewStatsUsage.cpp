#include "ui/stats/ViewStatsUsage.h"

#include "core/Utils.h"
#include "ui/stats/StatsFont.h"
#include "ui/stats/StatsPopOverVC.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr float kGridLeft = 60;   // left end of the horizontal lines
constexpr float kColumnsLeft = 30; // columns start this far right of it
constexpr float kBase = 40;       // the base line
constexpr qint64 kEmptyColumns = 7;

} // namespace

ViewStatsUsage::ViewStatsUsage(QWidget* parent) : QWidget(parent), noDataTextField_(new QLabel(this))
{
    setObjectName(QStringLiteral("viewStatsUsage"));
    setMinimumSize(360, 200);
    setFocusPolicy(Qt::StrongFocus);
    noDataTextField_->setObjectName(QStringLiteral("noDataTextField"));
    noDataTextField_->setText(tr("No downloads in this period"));
    noDataTextField_->setStyleSheet(QStringLiteral("color: rgba(255,255,255,0.85);"));
    noDataTextField_->setFont(StatsFont::arial(14));
    noDataTextField_->setAlignment(Qt::AlignCenter);
    noDataTextField_->hide();
    for (int i = 0; i < 5; ++i)
        yLabels_.append(Utils::formatBytes(0));
    calculateGridSize();
}

QColor ViewStatsUsage::backgroundColor()
{
    return QColor::fromRgbF(0.388f, 0.682f, 0.718f, 1.0f);
}

QColor ViewStatsUsage::gridColor()
{
    return QColor::fromRgbF(1, 1, 1, 0.2f);
}

void ViewStatsUsage::calculateGridSize()
{
    gridwidth_ = float(width()) - 120;
    maxheight_ = float(height()) - 50;
}

void ViewStatsUsage::updateContent(const QList<StatsUsageObject>& bars)
{
    parentsArray_ = bars;
    xLabels_.clear();
    yLabels_.clear();
    barCoordinates_.clear();
    totalbars_ = bars.size();
    keyboardBar_ = std::min(keyboardBar_, totalbars_);

    float max = 0;
    for (const StatsUsageObject& bar : bars)
        max = std::max(max, float(bar.bytes));
    noDataTextField_->setVisible(!(max > 0));

    maxBytes_ = max;
    calculateGridSize();
    for (const StatsUsageObject& bar : std::as_const(parentsArray_))
        xLabels_.append(bar.xLabel);
    const double quarter = double(max) * 0.25;
    for (int i = 0; i < 5; ++i)
        yLabels_.append(Utils::formatBytes(i * quarter));
    layoutBars();
    update();
}

qint64 ViewStatsUsage::labelStep() const
{
    const float w = columnEdge(1) - columnEdge(0);
    return std::max<qint64>(1, qint64(std::ceil(40.0f / std::max(w, 1.0f))));
}

float ViewStatsUsage::columnEdge(qint64 i) const
{
    const qint64 n = totalbars_ > 0 ? totalbars_ : kEmptyColumns;
    return std::floor((gridwidth_ / float(n)) * float(i) + kColumnsLeft) + kGridLeft;
}

float ViewStatsUsage::gridLineY(int i) const
{
    return std::floor((float(height()) - 50) * 0.25f * float(i)) - (i == 0 ? 0 : 1) + kBase;
}

// Column edges and heights follow the current size (a page laid out after
// its first content must not keep columns scaled to a smaller view); the
// edges are kept on the records so a click finds the column drawn.
void ViewStatsUsage::layoutBars()
{
    // No traffic: every column is 0 high rather than a division by zero.
    const float scale = maxBytes_ > 0 ? maxheight_ / maxBytes_ : 0.0f;
    for (StatsUsageObject& bar : parentsArray_) {
        for (StatsUsageObject& child : bar.children)
            child.height = std::round(float(child.bytes) * scale);
    }
    barCoordinates_.clear();
    for (qint64 i = 1; i <= totalbars_ && i <= parentsArray_.size(); ++i) {
        const float x = columnEdge(i - 1);
        const float w = columnEdge(i) - x - 1; // a point of gap on the right
        StatsUsageObject& bar = parentsArray_[i - 1];
        bar.xStart = x;
        bar.xEnd = x + w;
        barCoordinates_.insert(i, i - 1);
    }
}

void ViewStatsUsage::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    calculateGridSize();
    layoutBars();
    noDataTextField_->setGeometry(int(kGridLeft + kColumnsLeft), 10, std::max(0, width() - 120),
                                  std::max(0, height() - 50));
}

void ViewStatsUsage::drawYLabel(QPainter& p, const QString& text, float x, float y)
{
    const QSizeF s = p.fontMetrics().size(0, text);
    const float top = float(height()) - (y - std::floor(float(s.height()) * 0.5f) + 1) - float(s.height());
    p.drawText(QRectF(x, top, s.width(), s.height()), Qt::AlignLeft | Qt::AlignVCenter, text);
}

void ViewStatsUsage::drawXLabel(QPainter& p, const QString& text, float x)
{
    QString lines = text;
    lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QSizeF s = p.fontMetrics().size(0, lines);
    // Hangs 5 points below the base line, two-line labels included.
    const float top = float(height()) - (kBase - float(s.height()) - 5) - float(s.height());
    p.drawText(QRectF(x - s.width() / 2, top, s.width(), s.height()), Qt::AlignHCenter | Qt::AlignTop, lines);
}

void ViewStatsUsage::paintEvent(QPaintEvent*)
{
    calculateGridSize();
    QPainter p(this);
    p.fillRect(rect(), backgroundColor());
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setFont(StatsFont::arial(10));
    const float h = float(height());
    // The grid lies on the plain background, one pixel wide on whole
    // pixels: filled with the blended colour as opaque rectangles, which
    // the painter fills directly (a translucent or antialiased line of a
    // few hundred rows goes through the rasteriser and its thread pool,
    // several times slower for a graph of 160 columns).
    const QColor bg = backgroundColor();
    const float a = gridColor().alphaF(); // white at this opacity
    const QColor gridOnBackground = QColor::fromRgbF((1 - a) * bg.redF() + a, (1 - a) * bg.greenF() + a,
                                                     (1 - a) * bg.blueF() + a);
    const int rows = int(h - kBase) - 10;
    const QPen labelPen(Qt::white);

    // A line at y (from the bottom) fills pixel row height − y − 1.
    for (int i = 0; i < 5; ++i) {
        const float y = gridLineY(i);
        p.fillRect(QRect(int(kGridLeft), int(h - y) - 1, width() - int(kGridLeft), 1), gridOnBackground);
        p.setPen(labelPen);
        drawYLabel(p, yLabels_.value(i), 0, y);
    }

    const qint64 n = totalbars_ > 0 ? totalbars_ : kEmptyColumns;
    const qint64 step = labelStep();
    for (qint64 i = 0; i <= n; ++i) {
        const float x = columnEdge(i);
        p.fillRect(QRect(int(x), 10, 1, rows), gridOnBackground);
        // Without bars the grid's 7 columns stay empty and unlabelled.
        if (i == 0 || i > parentsArray_.size()) continue;
        const float left = columnEdge(i - 1);
        const float w = x - left;
        if ((i - 1) % step == 0) {
            p.setPen(labelPen);
            drawXLabel(p, xLabels_.value(i - 1), left + w / 2);
        }
        // Columns: children stacked upwards from the base in their order.
        const StatsUsageObject& bar = parentsArray_[i - 1];
        int base = 0;
        for (const StatsUsageObject& child : bar.children) {
            // Whole points: an integer rectangle takes the painter's direct
            // fill instead of the rasteriser.
            if (child.height > 0)
                p.fillRect(QRect(int(left), int(h - (float(base) + kBase) - child.height), int(w - 1),
                                 int(child.height)),
                           child.color);
            base = int(float(base) + child.height);
        }
    }
    // Where the keyboard is, while the graph has the focus.
    if (hasFocus() && keyboardBar_ > 0 && keyboardBar_ <= parentsArray_.size()) {
        const StatsUsageObject& bar = parentsArray_[keyboardBar_ - 1];
        p.setPen(QPen(Qt::white, 1, Qt::DotLine));
        p.drawRect(QRectF(bar.xStart - 1.5, 8.5, bar.xEnd - bar.xStart + 2, h - kBase - 7));
    }
}

qint64 ViewStatsUsage::barAt(double x) const
{
    for (auto it = barCoordinates_.cbegin(); it != barCoordinates_.cend(); ++it) {
        const StatsUsageObject& bar = parentsArray_[it.value()];
        if (bar.xStart <= x && x <= bar.xEnd) return it.key();
    }
    return 0;
}

void ViewStatsUsage::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) return QWidget::mousePressEvent(e);
    if (const qint64 k = barAt(e->position().x())) showPopoverForBar(k);
}

void ViewStatsUsage::keyPressEvent(QKeyEvent* e)
{
    const qint64 n = parentsArray_.size();
    switch (e->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
        if (n == 0) break;
        if (keyboardBar_ == 0)
            keyboardBar_ = e->key() == Qt::Key_Left ? n : 1;
        else
            keyboardBar_ = std::clamp<qint64>(keyboardBar_ + (e->key() == Qt::Key_Left ? -1 : 1), 1, n);
        update();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (keyboardBar_ > 0) showPopoverForBar(keyboardBar_);
        return;
    default:
        QWidget::keyPressEvent(e);
    }
}

void ViewStatsUsage::showPopoverForBar(qint64 k)
{
    if (k < 1 || k > parentsArray_.size()) return;
    const StatsUsageObject& bar = parentsArray_[k - 1];
    if (statsPopOverVC_) statsPopOverVC_->deleteLater();
    auto* popover = new StatsPopOverVC(bar, this);
    popover->setAttribute(Qt::WA_DeleteOnClose);
    statsPopOverVC_ = popover;
    const QRect anchor(int(bar.xStart), int(float(height()) - maxheight_),
                       std::max(1, int(bar.xEnd - bar.xStart)), int(maxheight_));
    popover->showRelativeTo(this, anchor);
}
