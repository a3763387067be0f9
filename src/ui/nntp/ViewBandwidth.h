#pragma once

#include <QList>
#include <QWidget>

class QLabel;

// The live download speed graph of the main window: one sample a second
// (bits per second), the newest at the right edge, every sample
// `graphLineWidth` points apart, scaled to the highest sample shown, with a
// "No data" label while every shown sample is zero. Samples are 64-bit:
// speeds above 2^31 bit/s (268 MB/s) are drawn like any other.
class ViewBandwidth : public QWidget
{
    Q_OBJECT
public:
    static constexpr qint64 kDefaultGraphLineWidth = 5;

    // Starts as a full series of zeros for `size`'s width.
    explicit ViewBandwidth(const QSize& size, QWidget* parent = nullptr);

    void addBandwidthValue(qint64 bitsPerSecond);

    const QList<qint64>& ypoints() const { return ypoints_; }
    qint64 peekBandwidth() const { return peekBandwidth_; }
    qint64 graphLineWidth() const { return graphLineWidth_; }
    // Only a value below 1 set here matters: drawing takes it as 5.
    void setGraphLineWidth(qint64 width) { graphLineWidth_ = width; }
    bool noDataFoundSent() const { return noDataFoundSent_; }
    QLabel* textFieldNoData() const { return textFieldNoData_; }

    void recalculatePeekValue();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void setup();
    void drawGraph(QPainter& painter);
    void showNoDataLabel();
    void removeNoDataLabel();

    QList<qint64> ypoints_;
    qint64 peekBandwidth_ = 0;
    qint64 defaultPeekValue_ = 0;
    qint64 graphLineWidth_ = kDefaultGraphLineWidth;
    bool noDataFoundSent_ = false;
    QLabel* textFieldNoData_ = nullptr;
};
