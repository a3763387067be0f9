#pragma once

#include "controls/ImageButton.h"

#include <QHash>

// A pane-collapse button. Its owner sets `state` to 1 while the pane is
// collapsed and to 0 while it is shown; an enabled button then shows the
// "_hi" artwork for a shown pane and the plain artwork for a collapsed one
// (and the other while pressed). A disabled button keeps the images it had.
// It loads its artwork from the Artwork registry when it is built;
// setArtwork() hands in other artwork under a name.
class ButtonCollapse : public ImageButton
{
    Q_OBJECT
public:
    enum class Divider { None, Left, Right };

    QString plainArtworkName() const { return plainName_; }
    QString hiArtworkName() const { return plainName_ + QStringLiteral("_hi"); }
    QStringList artworkNames() const { return {plainArtworkName(), hiArtworkName()}; }
    void setArtwork(const QString& name, const QPixmap& image);

    int state() const { return state_; }
    void setState(int state);

    // The artwork names of the image and the alternate image now shown.
    QString imageName() const { return imageName_; }
    QString alternateImageName() const { return alternateImageName_; }
    Divider divider() const { return divider_; }

protected:
    ButtonCollapse(const QString& plainArtworkName, Divider divider, QWidget* parent);
    void paintEvent(QPaintEvent* e) override;

private:
    void setImagesByState();

    QString plainName_;
    Divider divider_;
    int state_ = 0;
    QHash<QString, QPixmap> artwork_;
    QString imageName_;
    QString alternateImageName_;
};
