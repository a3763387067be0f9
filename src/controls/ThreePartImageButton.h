#pragma once

#include "controls/ThreePartImageCell.h"

#include <QPushButton>

// A push button drawn from three-part artwork. The named button classes give
// it their style; the owner hands in the artwork by name (setArtwork).
class ThreePartImageButton : public QPushButton
{
    Q_OBJECT
public:
    ThreePartImageButton(const ThreePartImageCell::Style& style, QWidget* parent);

    ThreePartImageCell& cell() { return cell_; }
    const ThreePartImageCell& cell() const { return cell_; }
    QStringList artworkNames() const { return cell_.artworkNames(); }
    void setArtwork(const QString& name, const QPixmap& image);

    // The artwork the button shows now.
    ThreePartImageCell::Artwork currentArtwork() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    ThreePartImageCell cell_;
};
