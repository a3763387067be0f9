#include "support/PythonHeaderDecoder.h"

#include <QProcess>

namespace {

const char* const kPython = "/usr/bin/python3";

// One value per line on standard input, hex-encoded (a value holds CR LF
// when folded); one decoded value per line on standard output, hex-encoded
// UTF-8.
const char* const kScript = R"PY(
import sys, re
from email.header import decode_header, make_header
for line in sys.stdin.read().split():
    raw = bytes.fromhex(line).decode("ascii")
    unfolded = re.sub(r"\r?\n(?=[ \t])", "", raw).rstrip("\r\n").lstrip(" ")
    sys.stdout.write(str(make_header(decode_header(unfolded))).encode("utf-8").hex() + "\n")
)PY";

} // namespace

std::optional<QStringList> PythonHeaderDecoder::decode(const QList<QByteArray>& values, QString* error)
{
    QByteArray input;
    for (const QByteArray& v : values)
        input += v.toHex() + '\n';
    QProcess p;
    p.start(QString::fromLatin1(kPython), {QStringLiteral("-c"), QString::fromLatin1(kScript)});
    if (!p.waitForStarted(20000)) {
        if (error) *error = p.errorString();
        return std::nullopt;
    }
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(20000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        if (error) *error = QString::fromUtf8(p.readAllStandardError());
        return std::nullopt;
    }
    QStringList decoded;
    for (const QByteArray& line : p.readAllStandardOutput().split('\n'))
        if (!line.isEmpty()) decoded.append(QString::fromUtf8(QByteArray::fromHex(line)));
    if (decoded.size() != values.size()) {
        if (error) *error = QStringLiteral("%1 values decoded of %2").arg(decoded.size()).arg(values.size());
        return std::nullopt;
    }
    return decoded;
}
