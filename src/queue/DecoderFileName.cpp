#include "queue/DecoderFileName.h"

#include "core/FileUtils.h"

#include <QStringDecoder>
#include <QStringList>

namespace {
// An extension longer than this is not worth keeping whole when a name is cut.
constexpr int kMaxKeptExtensionBytes = 32;
} // namespace

QString DecoderFileName::fromArticleBytes(QByteArrayView raw)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString name = decoder(raw);
    if (decoder.hasError()) return {};
    return safeComponent(name);
}

QString DecoderFileName::safeComponent(const QString& name)
{
    QString clean;
    clean.reserve(name.size());
    for (const QChar c : name)
        if (c.category() != QChar::Other_Control) clean.append(c);

    // The last component that is not empty: "dir/x" and "../../x" give "x".
    const QStringList parts = clean.split(u'/', Qt::SkipEmptyParts);
    QString component = parts.isEmpty() ? QString() : parts.last();
    if (component == u"." || component == u"..") return {};

    if (component.toUtf8().size() <= kMaxBytes) return component;
    const qsizetype dot = component.lastIndexOf(u'.');
    if (dot > 0) {
        const QString extension = component.mid(dot);
        const int extensionBytes = int(extension.toUtf8().size());
        if (extensionBytes <= kMaxKeptExtensionBytes)
            return FileUtils::truncateToUtf8Bytes(component.left(dot), kMaxBytes - extensionBytes) +
                   extension;
    }
    return FileUtils::truncateToUtf8Bytes(component, kMaxBytes);
}
