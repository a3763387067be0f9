#pragma once

#include <QLabel>

// A read-only label whose text is centred vertically when it fits, and keeps
// the top of the label when it does not (its last visible line then ends in
// an ellipsis). While `highlighted` on a dark (emphasized) background it is
// drawn in white.
class MultiLineTextFieldCell : public QLabel
{
    Q_OBJECT
public:
    explicit MultiLineTextFieldCell(QWidget* parent = nullptr);

    bool isHighlighted() const { return highlighted_; }
    void setHighlighted(bool on);
    bool backgroundStyleDark() const { return backgroundStyleDark_; }
    void setBackgroundStyleDark(bool on);

    // The standard title rectangle of `bounds`.
    static QRectF standardTitleRect(const QRectF& bounds);
    // Where the text is drawn within `bounds`.
    static QRectF titleRectForBounds(const QRectF& bounds, const QString& text, const QFont& font);
    // The height of `text` wrapped to `width`.
    static qreal textHeight(const QString& text, const QFont& font, qreal width);

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    bool highlighted_ = false;
    bool backgroundStyleDark_ = false;
};
