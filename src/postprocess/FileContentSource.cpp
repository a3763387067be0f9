#include "postprocess/FileContentSource.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <vector>

namespace {
constexpr qint64 kMaxBuffer = 4 << 20;
}

FileContentSource FileContentSource::fromFile(const QString& path)
{
    FileContentSource s;
    s.path_ = path;
    s.kind_ = path.isEmpty() ? Kind::None : Kind::File;
    return s;
}

FileContentSource FileContentSource::fromData(const QByteArray& bytes)
{
    FileContentSource s;
    s.owned_ = bytes;
    s.view_ = QByteArrayView(s.owned_);
    s.kind_ = bytes.isNull() ? Kind::None : Kind::Data;
    return s;
}

FileContentSource FileContentSource::fromView(QByteArrayView bytes)
{
    FileContentSource s;
    s.view_ = bytes;
    s.kind_ = Kind::Data;
    return s;
}

FileContentSource FileContentSource::detached() const
{
    if (kind_ != Kind::Data || (!owned_.isNull() && view_.data() == owned_.constData())) return *this;
    return fromData(view_.toByteArray());
}

std::optional<qint64> FileContentSource::size() const
{
    switch (kind_) {
    case Kind::Data:
        return view_.size();
    case Kind::File: {
        const QFileInfo info(path_);
        if (!info.exists() || info.isDir()) return std::nullopt;
        return info.size();
    }
    case Kind::None:
        break;
    }
    return std::nullopt;
}

bool FileContentSource::read(qint64 blockSize, const std::function<bool(QByteArrayView)>& onBlock) const
{
    blockSize = std::max<qint64>(blockSize, 1);
    if (kind_ == Kind::Data) {
        for (qint64 at = 0; at < view_.size(); at += blockSize) {
            if (!onBlock(view_.sliced(at, std::min(blockSize, view_.size() - at)))) break;
        }
        return true;
    }
    if (kind_ != Kind::File) return false;
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) return false;
    std::vector<char> buffer(size_t(std::min(blockSize, kMaxBuffer)));
    for (;;) {
        const qint64 n = file.read(buffer.data(), qint64(buffer.size()));
        if (n < 0) return false;
        if (n == 0) return true;
        if (!onBlock(QByteArrayView(buffer.data(), n))) return true;
    }
}
