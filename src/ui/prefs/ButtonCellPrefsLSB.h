#pragma once

#include <QAbstractButton>

// A button of a settings page's light side bar: a text row that is lit grey
// while its sub-page is shown, with a hairline along its bottom edge.
class ButtonCellPrefsLSB : public QAbstractButton
{
    Q_OBJECT
public:
    explicit ButtonCellPrefsLSB(const QString& title, QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* e) override;
};
