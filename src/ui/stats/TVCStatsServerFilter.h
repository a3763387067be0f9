#pragma once

#include <QWidget>

class CheckBoxCellGray;
class QLabel;
class ViewColorBox;

// A row of the server filter: a check box deciding whether the server's
// traffic is shown, its colour and its alias.
class TVCStatsServerFilter : public QWidget
{
    Q_OBJECT
public:
    explicit TVCStatsServerFilter(QWidget* parent = nullptr);

    CheckBoxCellGray* checkbox() const { return checkbox_; }
    ViewColorBox* colorbox() const { return colorbox_; }
    QLabel* serverAlias() const { return serverAlias_; }

    static QString identifier() { return QStringLiteral("CellStatsServerFilter"); }

private:
    CheckBoxCellGray* checkbox_;
    ViewColorBox* colorbox_;
    QLabel* serverAlias_;
};
