#pragma once

#include <QColor>
#include <QWidget>

#include <utility>
#include <vector>

// A view that paints a flat colour and 1-point edge lines, and nothing else.
// The background covers the bounds less the slice of `cutEdge` (when set);
// the lines are then painted on their edges of the whole bounds, in order.
class FlatColorView : public QWidget
{
    Q_OBJECT
public:
    enum class Edge { None, Top, Bottom, Left, Right };
    struct Line
    {
        Edge edge;
        QColor color;
    };

    explicit FlatColorView(QWidget* parent = nullptr);

    QColor background() const { return background_; }
    Edge cutEdge() const { return cutEdge_; }
    const std::vector<Line>& lines() const { return lines_; }

    // What a paint of `bounds` fills, in order.
    std::vector<std::pair<QRect, QColor>> fills(const QRect& bounds) const;

    // A 1-point slice of `rect` on `edge`; `rest` receives what remains.
    static QRect slice(const QRect& rect, Edge edge, QRect* rest = nullptr);

protected:
    void configure(const QColor& background, Edge cutEdge = Edge::None, std::vector<Line> lines = {});
    void paintEvent(QPaintEvent* e) override;

private:
    QColor background_;
    Edge cutEdge_ = Edge::None;
    std::vector<Line> lines_;
};
