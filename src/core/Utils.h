#pragma once

#include <QByteArrayView>
#include <QString>
#include <QVariant>

#include <cstdint>
#include <functional>
#include <memory>


// Formatting of sizes, rates and times for the pages, status lines and log,
// and launching of downloaded files. No state; the formatters run on any
// thread.
class Utils
{
public:
    static QString formatBytes(double bytes);
    static QString formatMiBytes(double bytes);
    static QString formatBitsPerSecond(double bitsPerSecond);
    static QString formatBytesPerSecond(double bytesPerSecond);

    // Age of a Unix time relative to now ("5 minutes"), or its date
    // ("yyyy-MM-dd") when older than 31 days.
    static QString timeFormatter(std::int64_t unixTime);
    static QString timeFormatter(std::int64_t unixTime, std::int64_t now);

    static QString unixTimeToDate(std::int64_t unixTime, bool includeSeconds);

    // Opens a downloaded file as the user chose (main thread). A text file in
    // the text folder opens in the message viewer ("OpenMessagesViewer"),
    // which shows the sender and subject of `filepart` when it is given.
    // `filepart` is the job part the file came from, as the viewer takes it
    // (a QVariant so that this ground floor needs no queue type).
    static void executeFile(const QString& folder, const QString& filename, const QVariant& filepart = QVariant());

    // Ends the program and starts it again `delay` seconds later from a
    // detached shell (main thread).
    static void shutdownAppAndRelaunchAfterDelay(float delay);

    // Where opening a file ends up; tests replace it. Returns false when the
    // file could not be opened.
    using FileOpener = std::function<bool(const QString& path)>;
    static void setFileOpener(FileOpener opener);

    // A finite double taken as a 32-bit or 64-bit integer, clamped to the
    // target's range; NaN gives 0.
    // Text from bytes of a foreign source: UTF-8 when the bytes are valid
    // UTF-8, else Latin-1 (which reads any bytes), so that a name or reply
    // made with an older charset is read instead of dropped.
    static QString textFromUtf8OrLatin1(QByteArrayView bytes);

    static std::int32_t clampToInt32(double value);
    static std::int64_t clampToInt64(double value);
};
