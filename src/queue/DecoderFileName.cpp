#include "queue/DecoderFileName.h"

#include "core/FileUtils.h"

#include <QStringDecoder>

QString DecoderFileName::fromArticleBytes(QByteArrayView raw)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString name = decoder(raw);
    if (decoder.hasError()) return {};
    return safeComponent(name);
}

QString DecoderFileName::safeComponent(const QString& name)
{
    return FileUtils::safeForeignFileName(name);
}
