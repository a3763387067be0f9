#pragma once

#include "stats/StatsUsageObject.h"
#include "ui/stats/StatsPopOverVC.h"

#include <QColor>
#include <QList>
#include <QMap>
#include <QPointer>
#include <QStringList>
#include <QWidget>

class QLabel;

// The usage bar graph: one stacked column per period, a child per server in
// the server's colour, over a grid with five byte labels on the left and the
// periods' labels below. A click on a column opens its figures.
//
// Layout is worked out in a bottom-left system (y upwards, as the figures
// are given) and flipped once when painting: a line at y lies on pixel row
// height − y − 1. Heights are computed when content arrives, from the size
// at that moment; a resize redraws the grid and columns with the same
// heights until the next content.
class ViewStatsUsage : public QWidget
{
    Q_OBJECT
public:
    explicit ViewStatsUsage(QWidget* parent = nullptr);

    void updateContent(const QList<StatsUsageObject>& bars);

    const QList<StatsUsageObject>& parentsArray() const { return parentsArray_; }
    const QStringList& xLabels() const { return xLabels_; }
    const QStringList& yLabels() const { return yLabels_; }
    qint64 totalbars() const { return totalbars_; }
    float gridwidth() const { return gridwidth_; }
    float maxheight() const { return maxheight_; }
    QLabel* noDataTextField() const { return noDataTextField_; }
    StatsPopOverVC* statsPopOverVC() const { return statsPopOverVC_; }

    // Left edge of grid column `i` (0 … totalbars): the vertical grid lines.
    float columnEdge(qint64 i) const;
    // Bottom-left y of horizontal grid line `i` (0 … 4).
    float gridLineY(int i) const;
    // Every `labelStep()`-th column is labelled (those narrower than 40
    // points share the room).
    qint64 labelStep() const;
    // The bar number (1-based) whose column holds the x position, or 0.
    qint64 barAt(double x) const;
    void showPopoverForBar(qint64 k);
    // The column the keyboard is on (1-based; 0 before the first key):
    // Left and Right move it, Return or Space opens its figures.
    qint64 keyboardBar() const { return keyboardBar_; }

    static QColor backgroundColor();
    static QColor gridColor();

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void calculateGridSize();
    void layoutBars();
    void drawYLabel(class QPainter& p, const QString& text, float x, float y);
    void drawXLabel(class QPainter& p, const QString& text, float x);

    QList<StatsUsageObject> parentsArray_;
    QStringList xLabels_;
    QStringList yLabels_;
    // Bar number → index into parentsArray_, for the columns last drawn.
    QMap<qint64, qsizetype> barCoordinates_;
    qint64 totalbars_ = 0;
    qint64 keyboardBar_ = 0;
    float gridwidth_ = 0;
    float maxheight_ = 0;
    float maxBytes_ = 0; // the largest bar
    QLabel* noDataTextField_;
    QPointer<StatsPopOverVC> statsPopOverVC_;
};
