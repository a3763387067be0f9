#pragma once

#include <QWidget>

class QLabel;
class ViewColorBox;

// A row of the per-server usage table: the server's colour, its alias and
// its bytes. Text colours come from the table it sits in.
class TVCStatsServerUsage : public QWidget
{
    Q_OBJECT
public:
    explicit TVCStatsServerUsage(QWidget* parent = nullptr);

    void setRow(const QColor& color, const QString& alias, const QString& bytes);

    ViewColorBox* colorbox() const { return colorbox_; }
    QLabel* serverAlias() const { return serverAlias_; }
    QLabel* bytes() const { return bytes_; }

    static QString identifier() { return QStringLiteral("CellStatsServerUsage"); }

private:
    ViewColorBox* colorbox_;
    QLabel* serverAlias_;
    QLabel* bytes_;
};
