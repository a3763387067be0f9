#pragma once

#include <QByteArray>
#include <QImage>
#include <QPixmap>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>

class QPainter;
class QRectF;

// Every image the program shows, served by name. Nothing is loaded from
// files: each image is drawn by our own code, either with QPainter or from
// our own SVG text, at whatever size is asked for. Platform image names (such
// as "NSCaution") are kept so that callers can name images as they always
// have. Main thread only.
class Artwork
{
public:
    // Draws the image into `bounds` (the whole requested area).
    using Painter = std::function<void(QPainter& painter, const QRectF& bounds)>;

    // Adds or replaces an image.
    static void addPainted(const QString& name, const QSize& designSize, Painter painter);
    // The design size comes from the document's own size. False (and nothing
    // added) when the text is not a valid SVG document.
    static bool addSvg(const QString& name, const QByteArray& svg);

    static bool contains(const QString& name);
    static QStringList names();
    // The size the image is drawn at when no size is asked for; invalid for
    // an unknown name.
    static QSize designSize(const QString& name);

    // The image at `size` (the design size when invalid) on a transparent
    // background; a null image for an unknown name.
    static QImage image(const QString& name, const QSize& size = QSize());
    // As image(), at the application's device pixel ratio, kept for reuse.
    static QPixmap pixmap(const QString& name, const QSize& size = QSize());
};
