#pragma once

#include <QPixmap>

class QPainter;
class QRect;

// The disclosure button of the program's outlines: "row_collapsed" for a
// closed item and "row_expanded" for an open one, centred in the item's own
// indentation column, in place of the style's triangle. An outline draws it
// from its drawBranches() for the items that have children.
class OutlineDisclosureButton
{
public:
    OutlineDisclosureButton();

    QPixmap image() const { return image_; }
    QPixmap alternateImage() const { return alternateImage_; }

    void draw(QPainter& painter, const QRect& rect, bool expanded) const;

private:
    QPixmap image_;
    QPixmap alternateImage_;
};
