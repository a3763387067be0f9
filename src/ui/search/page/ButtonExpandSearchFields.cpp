#include "ui/search/page/ButtonExpandSearchFields.h"

#include "controls/Artwork.h"
#include "controls/SRGB.h"

#include <QPainter>

ButtonExpandSearchFields::ButtonExpandSearchFields(QWidget* parent) : QAbstractButton(parent)
{
    setObjectName(QStringLiteral("btnSearchFieldsExpand"));
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setToolTip(QStringLiteral("Show or hide the newsgroup, poster and size fields"));
}

QString ButtonExpandSearchFields::imageName() const
{
    return isChecked() ? QStringLiteral("btn_expand_searchfields_collapse")
                       : QStringLiteral("btn_expand_searchfields_expand");
}

void ButtonExpandSearchFields::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    // Laid over the header's ground: replacing it would leave the
    // translucent colours over nothing.
    p.fillRect(rect(), srgb(0.337, 0.369, 0.396, 0.1));
    p.fillRect(QRect(0, 0, 1, height()), srgb(0.173, 0.188, 0.204, 0.3));
    const QSize icon(16, 16);
    const QRect at((width() - icon.width()) / 2, (height() - icon.height()) / 2, icon.width(), icon.height());
    if (!isEnabled()) p.setOpacity(0.5);
    p.drawPixmap(at, Artwork::pixmap(imageName(), icon));
}
