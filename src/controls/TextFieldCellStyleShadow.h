#pragma once

#include <QColor>
#include <QLabel>
#include <QPointF>

// A label drawn with a faint shadow one point right and one down.
class TextFieldCellStyleShadow : public QLabel
{
    Q_OBJECT
public:
    explicit TextFieldCellStyleShadow(QWidget* parent = nullptr);
    explicit TextFieldCellStyleShadow(const QString& text, QWidget* parent = nullptr);

    // The shadow all these labels share: black at alpha 0.1, no blur.
    static QColor shadowColor();
    static QPointF shadowOffset();

protected:
    void paintEvent(QPaintEvent* e) override;
};
