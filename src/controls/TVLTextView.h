#pragma once

#include <QTextEdit>

// A text view that shows a grey placeholder while it is empty.
class TVLTextView : public QTextEdit
{
    Q_OBJECT
public:
    explicit TVLTextView(QWidget* parent = nullptr);

    QString placeHolderValue() const { return placeHolderValue_; }
    void setPlaceHolderString(const QString& text);
    // The placeholder as it is drawn.
    QFont placeholderFont() const { return placeholderFont_; }
    QColor placeholderColor() const { return placeholderColor_; }
    // Whether the placeholder is drawn now.
    bool showsPlaceholder() const;

protected:
    void paintEvent(QPaintEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    QString placeHolderValue_;
    QFont placeholderFont_;
    QColor placeholderColor_;
};
