#pragma once

#include <QFont>
#include <QHash>
#include <QPixmap>
#include <QRectF>
#include <QString>
#include <QStringList>

class QPainter;

// Buttons drawn from artwork cut into a left cap, a stretchable middle and a
// right cap: the pieces under "lp", "mp" and "rp". One cell per button; its
// style row says which artwork each state uses, the cap widths, the title's
// alpha and shadow and how the title rectangle is adjusted. The cell loads
// its named artwork from the Artwork registry when it is built and cuts it
// once; setArtwork() hands in other artwork under a name.
class ThreePartImageCell
{
public:
    using Pieces = QHash<QString, QPixmap>;
    enum class Artwork { Normal, High, Inactive };
    // Which state shows the high artwork.
    enum class HighWhen { Pressed, PressedOrOn, Never };

    struct Style
    {
        QString normal, high, inactive; // artwork names; high may be empty
        float leftCap = 4, middle = 57, rightCap = 4;
        HighWhen highWhen = HighWhen::Pressed;
        // Title alpha (enabled, disabled) in the high state and otherwise.
        qreal highAlpha = 1.0, highAlphaDisabled = 0.5;
        qreal normalAlpha = 1.0, normalAlphaDisabled = 0.5;
        bool titleShadow = true;
        qreal titleDy = 0, titleDw = 0; // added to the title rectangle's y and width
    };

    explicit ThreePartImageCell(const Style& style);

    const Style& style() const { return style_; }
    QStringList artworkNames() const;
    // Cuts `image` into every slot whose artwork has this name.
    void setArtwork(const QString& name, const QPixmap& image);

    static Pieces makeThreepartImage(const QPixmap& image, float leftCapWidth, float middleWidth,
                                     float rightCapWidth);
    // Draws the pieces across `frame`: the caps keep their width, the middle
    // stretches.
    static void drawThreePartImage(QPainter& painter, const QRectF& frame, const Pieces& pieces);

    bool isHigh(bool pressed, bool on) const;
    Artwork artworkFor(bool enabled, bool pressed, bool on) const;
    const Pieces& pieces(Artwork which) const;
    qreal titleAlpha(bool enabled, bool pressed, bool on) const;
    QRectF titleRect(const QRectF& frame) const;

    void drawInterior(QPainter& painter, const QRectF& frame, bool enabled, bool pressed, bool on) const;
    // The whole button: artwork, then the image (left of the title, or
    // centred without one) and the title.
    void drawButton(QPainter& painter, const QRectF& frame, const QPixmap& image, const QString& title,
                    const QFont& font, Qt::Alignment alignment, bool enabled, bool pressed, bool on) const;
    // Draws the title in white at the state's alpha, with the row's shadow.
    void drawTitle(QPainter& painter, const QRectF& frame, const QString& title, const QFont& font,
                   Qt::Alignment alignment, bool enabled, bool pressed, bool on) const;

    const Pieces& imgNormal() const { return imgNormal_; }
    void setImgNormal(const Pieces& p) { imgNormal_ = p; }
    const Pieces& imgHigh() const { return imgHigh_; }
    void setImgHigh(const Pieces& p) { imgHigh_ = p; }
    const Pieces& imgInactive() const { return imgInactive_; }
    void setImgInactive(const Pieces& p) { imgInactive_ = p; }

private:
    Style style_;
    Pieces imgNormal_;
    Pieces imgHigh_;
    Pieces imgInactive_;
};
