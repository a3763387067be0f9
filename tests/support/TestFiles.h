#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// The whole content of the file at `path`; empty when it cannot be read.
inline QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Writes `data` as the whole content of the file at `path` (the file itself
// kept when it exists); answers whether all of it was written.
inline bool writeFileBytes(const QString& path, const QByteArray& data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size();
}

// `size` bytes that look random and are the same for the same `seed`.
inline QByteArray seededPattern(int size, int seed)
{
    QByteArray b(size, '\0');
    quint32 x = quint32(seed) * 2654435761u + 1;
    for (int i = 0; i < size; ++i) {
        x = x * 1103515245u + 12345u;
        b[i] = char(x >> 24);
    }
    return b;
}
