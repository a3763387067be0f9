#pragma once

#include <QWidget>

// The plain background of the statistics page, behind the graph and its
// surroundings.
class ViewStatsUsageBG : public QWidget
{
    Q_OBJECT
public:
    explicit ViewStatsUsageBG(QWidget* parent = nullptr);
    static QColor fillColor();

protected:
    void paintEvent(QPaintEvent* e) override;
};
