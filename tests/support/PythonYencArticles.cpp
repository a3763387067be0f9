#include "support/PythonYencArticles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

const char* const kPython = "/usr/bin/python3";

// Reads input.bin, writes body_<n>.bin and crc.txt. The encoded lines and the
// CRCs are python3-yenc's; the header lines follow the yEnc 1.3 layout.
const char* const kScript = R"PY(
import sys, yenc
folder, name, part_bytes = sys.argv[1], sys.argv[2].encode(), int(sys.argv[3])
data = open(folder + "/input.bin", "rb").read()
total = max(1, (len(data) + part_bytes - 1) // part_bytes)
whole = yenc.Encoder(); whole.feed(data); file_crc = whole.getCrc32()
for i in range(total):
    chunk = data[i * part_bytes:(i + 1) * part_bytes]
    e = yenc.Encoder(); e.feed(chunk); e.terminate()
    encoded = e.getEncoded()
    head = b"=ybegin part=%d total=%d line=128 size=%d name=%s\r\n" % (i + 1, total, len(data), name)
    head += b"=ypart begin=%d end=%d\r\n" % (i * part_bytes + 1, i * part_bytes + len(chunk))
    tail = b"=yend size=%d part=%d pcrc32=%s crc32=%s\r\n" % (len(chunk), i + 1, e.getCrc32().encode(), file_crc.encode())
    text = head + encoded + tail
    # NNTP transfer form: every line that begins with a dot gets another.
    lines = text.split(b"\r\n")
    body = b"\r\n".join((b"." + l) if l.startswith(b".") else l for l in lines) + b".\r\n"
    open(folder + "/body_%d.bin" % i, "wb").write(body)
open(folder + "/crc.txt", "w").write(file_crc)
)PY";

} // namespace

bool PythonYencArticles::available()
{
    QProcess p;
    p.start(QString::fromLatin1(kPython), {QStringLiteral("-c"), QStringLiteral("import yenc")});
    return p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

std::optional<PythonYencArticles::Articles>
PythonYencArticles::make(QByteArrayView file, const QByteArray& name, qsizetype partBytes, QString* error)
{
    auto fail = [&](const QString& why) -> std::optional<Articles> {
        if (error) *error = why;
        return std::nullopt;
    };
    QTemporaryDir dir;
    QFile input(dir.filePath(QStringLiteral("input.bin")));
    if (!input.open(QIODevice::WriteOnly) || input.write(file.data(), file.size()) != file.size())
        return fail(QStringLiteral("cannot write input"));
    input.close();

    QProcess p;
    p.start(QString::fromLatin1(kPython), {QStringLiteral("-c"), QString::fromLatin1(kScript), dir.path(),
                                           QString::fromUtf8(name), QString::number(partBytes)});
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return fail(QString::fromUtf8(p.readAllStandardError()));

    Articles out;
    for (int i = 0;; ++i) {
        QFile body(dir.filePath(QStringLiteral("body_%1.bin").arg(i)));
        if (!body.open(QIODevice::ReadOnly)) break;
        out.bodies.append(body.readAll());
    }
    QFile crc(dir.filePath(QStringLiteral("crc.txt")));
    if (out.bodies.isEmpty() || !crc.open(QIODevice::ReadOnly)) return fail(QStringLiteral("no output"));
    bool ok = false;
    out.fileCrc = crc.readAll().trimmed().toUInt(&ok, 16);
    if (!ok) return fail(QStringLiteral("unreadable crc"));
    return out;
}
