#include "support/ArchiveFixtureBuilder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <zlib.h>

namespace {

bool run(const QString& program, const QStringList& args, const QString& workDir = QString())
{
    QProcess p;
    if (!workDir.isEmpty()) p.setWorkingDirectory(workDir);
    p.start(program, args);
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return false;
    }
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

quint32 crc(const QByteArray& data)
{
    return quint32(crc32(0, reinterpret_cast<const Bytef*>(data.constData()), uInt(data.size())));
}

void appendLe(QByteArray& out, quint64 value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.append(char((value >> (8 * i)) & 0xFF));
}

void appendVint(QByteArray& out, quint64 value)
{
    do {
        char b = char(value & 0x7F);
        value >>= 7;
        if (value) b = char(b | 0x80);
        out.append(b);
    } while (value);
}

} // namespace

bool ArchiveFixtureBuilder::writeFile(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

bool ArchiveFixtureBuilder::make7zz(const QString& archive, const QList<Entry>& entries, const QString& type)
{
    return make7zz(archive, entries, type, {});
}

bool ArchiveFixtureBuilder::make7zz(const QString& archive, const QList<Entry>& entries, const QString& type,
                                    const QStringList& switches)
{
    QTemporaryDir src;
    QStringList names;
    for (const Entry& e : entries) {
        if (!writeFile(QDir(src.path()).filePath(e.first), e.second)) return false;
        names << e.first;
    }
    QFile::remove(archive);
    return run(QStringLiteral("7zz"),
               QStringList{QStringLiteral("a"), QStringLiteral("-bd"), QStringLiteral("-y"),
                           QStringLiteral("-t") + type} +
                   switches + QStringList{archive} + names,
               src.path());
}

bool ArchiveFixtureBuilder::makePythonZip(const QString& archive, const QList<Entry>& entries,
                                          bool firstStored)
{
    QTemporaryDir src;
    QStringList args{QStringLiteral("-c"),
                     QStringLiteral("import sys, zipfile\n"
                                    "out, stored_first, *pairs = sys.argv[1:]\n"
                                    "with zipfile.ZipFile(out, 'w', zipfile.ZIP_DEFLATED) as z:\n"
                                    "    for i in range(0, len(pairs), 2):\n"
                                    "        name, path = pairs[i], pairs[i + 1]\n"
                                    "        data = open(path, 'rb').read()\n"
                                    "        kind = zipfile.ZIP_STORED if (i == 0 and stored_first == '1') "
                                    "else zipfile.ZIP_DEFLATED\n"
                                    "        z.writestr(name, data, compress_type=kind)\n"),
                     archive, firstStored ? QStringLiteral("1") : QStringLiteral("0")};
    int n = 0;
    for (const Entry& e : entries) {
        const QString path = QDir(src.path()).filePath(QString::number(n++));
        if (!writeFile(path, e.second)) return false;
        args << e.first << path;
    }
    return run(QStringLiteral("/usr/bin/python3"), args);
}

bool ArchiveFixtureBuilder::makeOfficeDocument(const QString& path)
{
    const QByteArray types = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                             "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                             "<Default Extension=\"xml\" ContentType=\"application/xml\"/></Types>";
    return makePythonZip(path, {{QStringLiteral("[Content_Types].xml"), types},
                                {QStringLiteral("word/document.xml"), QByteArray("<document/>")}});
}

bool ArchiveFixtureBuilder::makeEpub(const QString& path)
{
    return makePythonZip(path,
                         {{QStringLiteral("mimetype"), QByteArray("application/epub+zip")},
                          {QStringLiteral("META-INF/container.xml"), QByteArray("<container/>")},
                          {QStringLiteral("OEBPS/content.opf"), QByteArray("<package/>")}},
                         true);
}

QByteArray ArchiveFixtureBuilder::rar4Header()
{
    // Marker block, then the archive header: CRC16 (low half of the CRC32
    // of what follows it), type 0x73, flags, size 13, six reserved bytes.
    QByteArray out("\x52\x61\x72\x21\x1A\x07\x00", 7);
    QByteArray header;
    header.append(char(0x73));
    appendLe(header, 0, 2);  // flags
    appendLe(header, 13, 2); // header size
    appendLe(header, 0, 6);  // reserved
    appendLe(out, crc(header) & 0xFFFF, 2);
    out.append(header);
    return out;
}

QByteArray ArchiveFixtureBuilder::rar5Header()
{
    // Signature, then the main archive header: CRC32 of the header data,
    // its size as a vint, then type 1 (main), header flags 0, archive flags 0.
    QByteArray out("\x52\x61\x72\x21\x1A\x07\x01\x00", 8);
    QByteArray body;
    appendVint(body, 1); // type: main archive header
    appendVint(body, 0); // header flags
    appendVint(body, 0); // archive flags
    QByteArray sized;
    appendVint(sized, quint64(body.size()));
    sized.append(body);
    appendLe(out, crc(sized), 4);
    out.append(sized);
    return out;
}
