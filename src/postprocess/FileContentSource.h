#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>
#include <optional>

// Where the bytes of one file are, for a caller that only reads them: a file
// on disk, read in blocks (its size costs no memory), bytes held in a
// QByteArray (shared, not copied), or a view of bytes the caller holds. A
// view is valid only as long as the caller's bytes are: hand it to a call
// and keep the bytes until the call returns, or detach() it first.
class FileContentSource
{
public:
    FileContentSource() = default;
    static FileContentSource fromFile(const QString& path);
    static FileContentSource fromData(const QByteArray& bytes);
    static FileContentSource fromView(QByteArrayView bytes);

    bool isEmpty() const { return kind_ == Kind::None; }
    bool isFile() const { return kind_ == Kind::File; }
    QString path() const { return path_; }
    // The bytes of a source in memory.
    QByteArrayView data() const { return view_; }

    // A source that no longer depends on the caller's bytes: a view becomes
    // a copy of its bytes; anything else stays as it is.
    FileContentSource detached() const;

    // The size in bytes; none when the file cannot be read.
    std::optional<qint64> size() const;
    // The content in order, in blocks of at most `blockSize` bytes, until
    // `onBlock` answers false. False when there is nothing to read, the file
    // cannot be opened or a read fails.
    bool read(qint64 blockSize, const std::function<bool(QByteArrayView block)>& onBlock) const;

private:
    enum class Kind { None, File, Data };
    Kind kind_ = Kind::None;
    QString path_;
    QByteArray owned_;
    QByteArrayView view_;
};
