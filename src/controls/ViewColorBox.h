#pragma once

#include <QColor>
#include <QWidget>

// A colour swatch: fills what is redrawn with `bgcolor`; transparent until its
// owner gives it a colour.
class ViewColorBox : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QColor bgcolor READ bgcolor WRITE setBgcolor NOTIFY bgcolorChanged)
public:
    explicit ViewColorBox(QWidget* parent = nullptr);

    QColor bgcolor() const { return bgcolor_; }
    // Stores the colour and repaints at once.
    void setBgcolor(const QColor& color);

Q_SIGNALS:
    void bgcolorChanged(const QColor& color);

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QColor bgcolor_;
};
