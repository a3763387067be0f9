#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// Header values as a reader that is not ours reads them: Python's email
// package (run with /usr/bin/python3) unfolds each value and decodes its
// encoded-words. Used to check what the program puts in a header against an
// independent implementation.
class PythonHeaderDecoder
{
public:
    // Each value as it stands after "Name:" (folded or not, with or without
    // the final CR LF), decoded; nullopt (with `error` set) when the script
    // failed.
    static std::optional<QStringList> decode(const QList<QByteArray>& values, QString* error = nullptr);
};
