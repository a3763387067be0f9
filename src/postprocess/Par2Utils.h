#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// MD5 digests of data and files, of their first 16 KiB, and their text form,
// as the PAR2 file descriptions carry them. No state; any thread.
//
// "Nil" data is a null QByteArray (QByteArray()); an empty but non-null one
// is data of length 0. A ...Value... operation returns the 16-byte digest or
// nothing; its ...String... partner the 32-digit lower-case hex text of it, or
// the empty string.
class Par2Utils
{
public:
    static constexpr qint64 k16k = 16384;

    static std::optional<QByteArray> MD5ValueForData(const QByteArray& data);
    static QString MD5StringForData(const QByteArray& data);

    // Streams the file in blocks: its size costs no memory. Nothing for a
    // missing or unreadable file; an empty file gives the MD5 of no bytes.
    static std::optional<QByteArray> MD5ValueForFile(const QString& path);
    static QString MD5StringForFile(const QString& path);

    static std::optional<QByteArray> MD516kValueForData(const QByteArray& data);
    static QString MD516kStringForData(const QByteArray& data);

    // Reads only the first 16 KiB. Nothing for a missing file or one from
    // which no byte could be read (an empty file included).
    static std::optional<QByteArray> MD516kValueForFile(const QString& path);
    static QString MD516kStringForFile(const QString& path);

    // Two lower-case hex digits per byte, in byte order.
    static QString NSDataToHexString(const QByteArray& data);
    static QString NSDataToHexString(const std::optional<QByteArray>& data);

    // The digest itself; nothing for nil.
    static std::optional<QByteArray> MD5Data2Data(const QByteArray& digest);
};
