#pragma once

#include "controls/ThreePartImageCell.h"

#include <QColor>
#include <QString>
#include <QWidget>

class ImageButton;
class QLineEdit;

// A search field drawn on the program's own ground ("sf_bg_flat" in three
// parts) with its own search and cancel buttons. The text sits from x 20 to
// width − 20. The cancel button empties the text and sends `triggered` once
// with the empty text; Return and the search button send it with the text
// typed.
//
// Other search fields of the program take this shape with their own look:
// padding, button images, placeholder colour, editor and ground.
class SearchFieldCell : public QWidget
{
    Q_OBJECT
public:
    static constexpr float kTextFieldPadding = 5.0f;
    static constexpr float kSearchAreaWidth = 15.0f;
    static constexpr float kCancelAreaWidth = 20.0f;

    explicit SearchFieldCell(QWidget* parent = nullptr);

    static QRect searchTextRectForBounds(const QRect& bounds);
    // The text area of a cell with these widths.
    static QRect searchTextRectForBounds(const QRect& bounds, float searchAreaWidth, float textFieldPadding,
                                         float cancelAreaWidth);
    float textFieldPadding() const { return look_.textFieldPadding; }
    QLineEdit* editor() const { return editor_; }
    ImageButton* searchButton() const { return searchCell_; }
    ImageButton* cancelButton() const { return cancelCell_; }
    // The pieces drawn now: the normal set, or the inactive one (cut from
    // the same image) while disabled.
    const ThreePartImageCell::Pieces& currentPieces() const;

    QString text() const;
    void setText(const QString& text);
    void setPlaceholderText(const QString& text);
    QSize sizeHint() const override { return {200, 22}; }

Q_SIGNALS:
    void triggered(const QString& text);

protected:
    struct Look
    {
        float textFieldPadding;
        QString searchImage;
        QString searchAlternateImage;
        QString cancelImage;
        QString cancelAlternateImage;
        QColor placeholderColor;
    };
    // `editor` becomes the cell's input.
    SearchFieldCell(const Look& look, QLineEdit* editor, QWidget* parent);

    // The ground under the text and the buttons.
    virtual void drawBackground(QPainter& painter);
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void cancel();

    Look look_;
    ThreePartImageCell::Pieces imgNormal_;
    ThreePartImageCell::Pieces imgInactive_;
    QLineEdit* editor_;
    ImageButton* searchCell_;
    ImageButton* cancelCell_;
};
