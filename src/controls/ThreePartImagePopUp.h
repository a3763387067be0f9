#pragma once

#include "controls/PopUpButton.h"
#include "controls/ThreePartImageCell.h"

// A pop-up button drawn from three-part artwork (the named pop-up classes
// give it their style).
class ThreePartImagePopUp : public PopUpButton
{
    Q_OBJECT
public:
    ThreePartImagePopUp(const ThreePartImageCell::Style& style, QWidget* parent);

    ThreePartImageCell& cell() { return cell_; }
    const ThreePartImageCell& cell() const { return cell_; }
    QStringList artworkNames() const { return cell_.artworkNames(); }
    void setArtwork(const QString& name, const QPixmap& image);

    ThreePartImageCell::Artwork currentArtwork() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    ThreePartImageCell cell_;
};
