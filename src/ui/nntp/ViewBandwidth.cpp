#include "ui/nntp/ViewBandwidth.h"

#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

ViewBandwidth::ViewBandwidth(const QSize& size, QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("viewBandwidth"));
    setFixedSize(size);
    setToolTip(QStringLiteral("Download speed of the last minutes"));
    textFieldNoData_ = new QLabel(QStringLiteral("No data"), this);
    textFieldNoData_->setObjectName(QStringLiteral("textFieldNoData"));
    textFieldNoData_->setAlignment(Qt::AlignCenter);
    textFieldNoData_->setStyleSheet(QStringLiteral("color: #7c8a99; font-size: 10px;"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(textFieldNoData_);
    textFieldNoData_->hide();
    setup();
}

void ViewBandwidth::setup()
{
    ypoints_.clear();
    defaultPeekValue_ = 0;
    graphLineWidth_ = kDefaultGraphLineWidth;
    const qint64 count = width() / graphLineWidth_ + 1;
    for (qint64 i = 0; i < count; ++i)
        ypoints_.append(0);
    recalculatePeekValue();
}

void ViewBandwidth::addBandwidthValue(qint64 bitsPerSecond)
{
    ypoints_.append(bitsPerSecond);
    const qint64 step = graphLineWidth_ > 0 ? graphLineWidth_ : kDefaultGraphLineWidth;
    if (ypoints_.size() > double(width()) / double(step)) ypoints_.removeFirst();
    recalculatePeekValue();
    update();
}

void ViewBandwidth::recalculatePeekValue()
{
    qint64 peak = defaultPeekValue_;
    for (qint64 v : ypoints_)
        peak = std::max(peak, v);
    peekBandwidth_ = peak;
}

void ViewBandwidth::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    drawGraph(painter);
}

void ViewBandwidth::drawGraph(QPainter& painter)
{
    if (graphLineWidth_ < 1) graphLineWidth_ = kDefaultGraphLineWidth;
    const double w = width();
    const double h = height();
    // The graph's y grows upwards from the bottom edge.
    auto at = [h](double x, double y) { return QPointF(x, h - y); };

    QPainterPath path;
    path.moveTo(at(0, 0));
    bool hasData = false;
    qsizetype i = 0;
    for (qint64 x = 0; x <= w && i < ypoints_.size(); x += graphLineWidth_, ++i) {
        const qint64 v = ypoints_[i];
        if (v > 0) {
            hasData = true;
            if (noDataFoundSent_) removeNoDataLabel();
        }
        // With no sample above 0 the peak is 0 and nothing is drawn below.
        const double y = peekBandwidth_ > 0 ? std::trunc(double(v) * (h / double(peekBandwidth_))) : 0.0;
        path.lineTo(at(double(x), y - 5));
    }
    if (!hasData) {
        showNoDataLabel();
        return;
    }
    path.lineTo(at(w, 0));
    path.lineTo(at(0, 0));
    QLinearGradient gradient(0, h, 0, 0);
    gradient.setColorAt(0, QColor(128, 146, 168));
    gradient.setColorAt(1, QColor(110, 128, 148));
    painter.fillPath(path, gradient);
    painter.setPen(QPen(QColor::fromRgbF(0.102f, 0.112f, 0.112f, 0.3f), 1.0));
    painter.drawPath(path);
}

void ViewBandwidth::showNoDataLabel()
{
    if (noDataFoundSent_) return;
    noDataFoundSent_ = true;
    textFieldNoData_->show();
}

void ViewBandwidth::removeNoDataLabel()
{
    noDataFoundSent_ = false;
    textFieldNoData_->hide();
}
