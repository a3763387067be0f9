#include "controls/CheckBoxCellGray.h"

#include "controls/Artwork.h"

#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

CheckBoxCellGray::CheckBoxCellGray(QWidget* parent) : QCheckBox(parent)
{
    loadArtwork();
}

CheckBoxCellGray::CheckBoxCellGray(const QString& title, QWidget* parent) : QCheckBox(title, parent)
{
    loadArtwork();
}

void CheckBoxCellGray::loadArtwork()
{
    for (const QString& name : artworkNames())
        artwork_.insert(name, Artwork::pixmap(name));
}

QStringList CheckBoxCellGray::artworkNames()
{
    return {QStringLiteral("checkbox_gray"),       QStringLiteral("checkbox_gray_in"),
            QStringLiteral("checkbox_tick"),       QStringLiteral("checkbox_tick_in"),
            QStringLiteral("checkbox_tick_mixed"), QStringLiteral("checkbox_tick_mixed_in")};
}

void CheckBoxCellGray::setArtwork(const QString& name, const QPixmap& image)
{
    if (!artworkNames().contains(name)) return;
    artwork_.insert(name, image);
    update();
}

QStringList CheckBoxCellGray::imageNamesFor(bool enabled, Qt::CheckState state)
{
    const QString in = enabled ? QString() : QStringLiteral("_in");
    QStringList names{QStringLiteral("checkbox_gray") + in};
    if (state == Qt::PartiallyChecked)
        names << QStringLiteral("checkbox_tick_mixed") + in;
    else if (state != Qt::Unchecked)
        names << QStringLiteral("checkbox_tick") + in;
    return names;
}

void CheckBoxCellGray::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QRect frame = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    for (const QString& name : imageNamesFor(isEnabled(), checkState())) {
        const QPixmap image = artwork_.value(name);
        if (!image.isNull()) painter.drawTiledPixmap(frame, image);
    }
    option.rect = style()->subElementRect(QStyle::SE_CheckBoxContents, &option, this);
    painter.drawControl(QStyle::CE_CheckBoxLabel, option);
}
