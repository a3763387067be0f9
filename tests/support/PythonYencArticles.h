#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <cstdint>
#include <optional>

// yEnc article bodies made by an encoder that is not ours: Debian's
// python3-yenc (run with /usr/bin/python3), headers and dot-stuffing added
// by a small script. Used to check the decoder against an independent
// implementation.
class PythonYencArticles
{
public:
    struct Articles
    {
        QList<QByteArray> bodies;
        std::uint32_t fileCrc = 0; // as python3-yenc computed it
    };

    // Whether the module can be loaded; tests skip without it.
    static bool available();
    // `file` cut into parts of `partBytes`; nullopt (with `error` set) when
    // the script failed.
    static std::optional<Articles> make(QByteArrayView file, const QByteArray& name, qsizetype partBytes,
                                        QString* error = nullptr);
};
