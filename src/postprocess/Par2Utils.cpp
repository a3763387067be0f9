#include "postprocess/Par2Utils.h"

#include "postprocess/Par2Console.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

// Big enough to keep the read calls few, small enough never to matter.
constexpr qint64 kFileBlock = 1 << 20;

bool fileExists(const QString& path)
{
    if (path.isEmpty()) return false;
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

} // namespace

std::optional<QByteArray> Par2Utils::MD5ValueForData(const QByteArray& data)
{
    if (data.isNull()) {
        par2Console(u"%s Filedata is empty", "Par2Utils::MD5ValueForData");
        return std::nullopt;
    }
    return QCryptographicHash::hash(data, QCryptographicHash::Md5);
}

QString Par2Utils::MD5StringForData(const QByteArray& data)
{
    return NSDataToHexString(MD5ValueForData(data));
}

std::optional<QByteArray> Par2Utils::MD5ValueForFile(const QString& path)
{
    if (!fileExists(path)) return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        par2Console(u"%s Error reading file.. %@", "Par2Utils::MD5ValueForFile", path);
        return std::nullopt;
    }
    QCryptographicHash hash(QCryptographicHash::Md5);
    QByteArray block(kFileBlock, Qt::Uninitialized);
    for (;;) {
        const qint64 n = file.read(block.data(), kFileBlock);
        if (n < 0) {
            par2Console(u"%s Error reading file.. %@", "Par2Utils::MD5ValueForFile", path);
            return std::nullopt;
        }
        if (n == 0) break;
        hash.addData(QByteArrayView(block.constData(), n));
    }
    return hash.result();
}

QString Par2Utils::MD5StringForFile(const QString& path)
{
    return NSDataToHexString(MD5ValueForFile(path));
}

std::optional<QByteArray> Par2Utils::MD516kValueForData(const QByteArray& data)
{
    if (data.isNull()) return MD5ValueForData(data);
    const QByteArrayView head(data.constData(), std::min<qsizetype>(data.size(), k16k));
    return QCryptographicHash::hash(head, QCryptographicHash::Md5);
}

QString Par2Utils::MD516kStringForData(const QByteArray& data)
{
    return NSDataToHexString(MD516kValueForData(data));
}

std::optional<QByteArray> Par2Utils::MD516kValueForFile(const QString& path)
{
    if (!fileExists(path)) return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        par2Console(u"%s Error reading file.. %@", "Par2Utils::MD516kValueForFile", path);
        return std::nullopt;
    }
    const QByteArray head = file.read(k16k);
    if (head.isEmpty()) return std::nullopt;
    return QCryptographicHash::hash(head, QCryptographicHash::Md5);
}

QString Par2Utils::MD516kStringForFile(const QString& path)
{
    return NSDataToHexString(MD516kValueForFile(path));
}

QString Par2Utils::NSDataToHexString(const QByteArray& data)
{
    return QString::fromLatin1(data.toHex());
}

QString Par2Utils::NSDataToHexString(const std::optional<QByteArray>& data)
{
    return data ? NSDataToHexString(*data) : QString();
}

std::optional<QByteArray> Par2Utils::MD5Data2Data(const QByteArray& digest)
{
    if (digest.isNull()) return std::nullopt;
    return digest;
}
