#include "controls/Artwork.h"

#include "controls/ControlsArtwork.h"
#include "controls/CoreArtwork.h"
#include "controls/NntpArtwork.h"
#include "controls/QueueArtwork.h"
#include "controls/SearchArtwork.h"

#include <QGuiApplication>
#include <QHash>
#include <QPainter>
#include <QSvgRenderer>

#include <memory>

namespace {

struct Entry
{
    QSize designSize;
    Artwork::Painter painter;
};

struct Registry
{
    QHash<QString, Entry> entries;
    QHash<QString, QPixmap> pixmaps; // keyed by name, size and pixel ratio
    bool loaded = false;
};

Registry& registry()
{
    static Registry r;
    if (!r.loaded) {
        // Set first: the built-in images add themselves through this.
        r.loaded = true;
        CoreArtwork::registerImages();
        ControlsArtwork::registerImages();
        SearchArtwork::registerImages();
        NntpArtwork::registerImages();
        QueueArtwork::registerImages();
    }
    return r;
}

void forgetPixmaps(Registry& r, const QString& name)
{
    const QString prefix = name + QLatin1Char('\n');
    for (auto it = r.pixmaps.begin(); it != r.pixmaps.end();) {
        if (it.key().startsWith(prefix))
            it = r.pixmaps.erase(it);
        else
            ++it;
    }
}

} // namespace

void Artwork::addPainted(const QString& name, const QSize& designSize, Painter painter)
{
    Registry& r = registry();
    r.entries.insert(name, Entry{designSize, std::move(painter)});
    forgetPixmaps(r, name);
}

bool Artwork::addSvg(const QString& name, const QByteArray& svg)
{
    auto renderer = std::make_shared<QSvgRenderer>(svg);
    if (!renderer->isValid()) return false;
    addPainted(name, renderer->defaultSize(),
               [renderer](QPainter& painter, const QRectF& bounds) { renderer->render(&painter, bounds); });
    return true;
}

bool Artwork::contains(const QString& name)
{
    return registry().entries.contains(name);
}

QStringList Artwork::names()
{
    QStringList list = registry().entries.keys();
    list.sort();
    return list;
}

QSize Artwork::designSize(const QString& name)
{
    const Registry& r = registry();
    const auto it = r.entries.constFind(name);
    return it == r.entries.constEnd() ? QSize() : it->designSize;
}

QImage Artwork::image(const QString& name, const QSize& size)
{
    const Registry& r = registry();
    const auto it = r.entries.constFind(name);
    if (it == r.entries.constEnd()) return QImage();
    const QSize target = size.isValid() && !size.isEmpty() ? size : it->designSize;
    QImage img(target, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter painter(&img);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    it->painter(painter, QRectF(QPointF(0, 0), QSizeF(target)));
    painter.end();
    return img;
}

QPixmap Artwork::pixmap(const QString& name, const QSize& size)
{
    Registry& r = registry();
    const auto it = r.entries.constFind(name);
    if (it == r.entries.constEnd()) return QPixmap();
    const QSize logical = size.isValid() && !size.isEmpty() ? size : it->designSize;
    const qreal ratio = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    const QString key = name + QLatin1Char('\n') + QString::number(logical.width()) + QLatin1Char('x') +
                        QString::number(logical.height()) + QLatin1Char('@') + QString::number(ratio);
    const auto cached = r.pixmaps.constFind(key);
    if (cached != r.pixmaps.constEnd()) return *cached;
    QPixmap pm = QPixmap::fromImage(image(name, (QSizeF(logical) * ratio).toSize()));
    pm.setDevicePixelRatio(ratio);
    r.pixmaps.insert(key, pm);
    return pm;
}
