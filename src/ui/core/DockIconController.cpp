#include "ui/core/DockIconController.h"

#include "controls/Artwork.h"
#include "controls/CoreArtwork.h"
#include "core/StringFormat.h"
#include "ui/core/ProgressBarRounded.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QPainter>

#include <algorithm>
#include <cmath>

DockIconController::DockIconController(QObject* parent) : QObject(parent)
{
    display();
}

DockIconController::~DockIconController() = default;

qint64 DockIconController::percentDone(double maxValue, double left)
{
    const double percent = std::ceil((maxValue - left) * (100 / maxValue));
    if (!std::isfinite(percent))
        return percent > 0 ? 100 : 0;
    return qint64(std::clamp(percent, 0.0, 100.0));
}

QString DockIconController::percentText(qint64 percent)
{
    return percent < 100 ? sformat(u"%ld%%", percent) : sformat(u"%ld", percent);
}

void DockIconController::changeDockIconTo(const QImage& image)
{
    picture_ = image;
    display();
}

void DockIconController::progressbarValue(double left)
{
    const qint64 percent = percentDone(progressBarMaxValue_, left);
    progress_ = double(percent);
    textLabel_ = percentText(percent);
    display();
}

void DockIconController::resetDockItem()
{
    picture_ = QImage();
    textLabel_.clear();
    progress_ = 0;
    removeTextLabel();
}

void DockIconController::changeTextLabel(const QString& text)
{
    badge_ = text;
    display();
}

void DockIconController::removeTextLabel()
{
    badge_.clear();
    display();
}

void DockIconController::display()
{
    const QImage appIcon =
        Artwork::image(QString::fromLatin1(CoreArtwork::kApplicationIcon), QSize(kTileSize, kTileSize));
    tile_ = QImage(kTileSize, kTileSize, QImage::Format_ARGB32_Premultiplied);
    tile_.fill(Qt::transparent);
    {
        QPainter p(&tile_);
        p.setRenderHint(QPainter::Antialiasing);
        if (picture_.isNull()) {
            p.drawImage(tile_.rect(), appIcon);
        } else {
            p.setOpacity(0.1);
            p.drawImage(tile_.rect(), picture_);
            p.setOpacity(1.0);
            ProgressBarRounded::paint(p, QRectF(15, kTileSize - 18 - 14, kTileSize - 30, 14), 100, progress_);
            QFont font(QStringLiteral("Arial"));
            font.setPixelSize(38);
            p.setFont(font);
            p.setPen(Qt::white);
            p.drawText(QRectF(0, 32, kTileSize, kTileSize - 32 - 32), Qt::AlignCenter, textLabel_);
        }
        if (!badge_.isEmpty()) {
            QFont font = p.font();
            font.setPixelSize(26);
            font.setBold(true);
            p.setFont(font);
            const qreal w = std::max<qreal>(44, QFontMetricsF(font).horizontalAdvance(badge_) + 18);
            const QRectF badge(kTileSize - w, 0, w, 44);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(214, 40, 40));
            p.drawRoundedRect(badge, 22, 22);
            p.setPen(Qt::white);
            p.drawText(badge, Qt::AlignCenter, badge_);
        }
    }
    if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        QApplication::setWindowIcon(QIcon(QPixmap::fromImage(tile_)));
    sendLauncherEntry();
}

void DockIconController::sendLauncherEntry()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/com/binorama/launcherentry"),
                                                     QStringLiteral("com.canonical.Unity.LauncherEntry"),
                                                     QStringLiteral("Update"));
    QVariantMap properties;
    bool countOk = false;
    const qint64 count = badge_.toLongLong(&countOk);
    properties.insert(QStringLiteral("count"), countOk ? count : 0);
    properties.insert(QStringLiteral("count-visible"), countOk);
    properties.insert(QStringLiteral("progress"), progress_ / 100.0);
    properties.insert(QStringLiteral("progress-visible"), !picture_.isNull());
    signal << QStringLiteral("application://binorama.desktop") << properties;
    bus.send(signal);
}
