#include "codec/DecoderFileName.h"

#include "core/FileUtils.h"
#include "core/Utils.h"

QString DecoderFileName::fromArticleBytes(QByteArrayView raw)
{
    return safeComponent(Utils::textFromUtf8OrLatin1(raw));
}

QString DecoderFileName::safeComponent(const QString& name)
{
    return FileUtils::safeForeignFileName(name);
}
