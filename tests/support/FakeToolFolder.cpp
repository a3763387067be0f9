#include "support/FakeToolFolder.h"

#include "postprocess/ToolLocator.h"

#include <QDir>
#include <QFile>

namespace {

QStringList readLines(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

// `bytes` as a printf format that prints exactly them.
QString printfEscaped(const QByteArray& bytes)
{
    QString out;
    for (const char c : bytes)
        out += QString::asprintf("\\%03o", unsigned(uchar(c)));
    return out;
}

} // namespace

FakeToolFolder::FakeToolFolder(const QString& folder) : folder_(folder)
{
    QDir().mkpath(folder_);
    ToolLocator::setHelpersFolder(folder_);
}

FakeToolFolder::~FakeToolFolder()
{
    ToolLocator::setHelpersFolder(QString());
}

void FakeToolFolder::writeTool(const QString& name, const QString& shellBody)
{
    const QString base = folder_ + QLatin1Char('/') + name;
    QFile f(base);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return;
    QString script = QStringLiteral("#!/bin/sh\n");
    script += QStringLiteral(": > '%1.args'\n").arg(base);
    script += QStringLiteral("for a in \"$@\"; do printf '%s\\n' \"$a\" >> '%1.args'; done\n").arg(base);
    script += QStringLiteral("/usr/bin/env > '%1.env'\n").arg(base);
    script += QStringLiteral("echo $$ > '%1.pid'\n").arg(base);
    script += shellBody;
    script += QLatin1Char('\n');
    f.write(script.toUtf8());
    f.close();
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                     QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
}

void FakeToolFolder::writePrintingTool(const QString& name, const QByteArray& output, int exitCode)
{
    writeTool(name, printChunks({output}, 0) + QStringLiteral("exit %1\n").arg(exitCode));
}

QString FakeToolFolder::printChunks(const QList<QByteArray>& chunks, int pauseMs)
{
    QString out;
    for (qsizetype i = 0; i < chunks.size(); ++i) {
        if (i > 0 && pauseMs > 0) out += QStringLiteral("/bin/sleep %1\n").arg(double(pauseMs) / 1000.0);
        // printf's format: split into pieces so that no line grows too long.
        for (qsizetype at = 0; at < chunks[i].size(); at += 512)
            out += QStringLiteral("printf '%1'\n").arg(printfEscaped(chunks[i].mid(at, 512)));
    }
    return out;
}

QStringList FakeToolFolder::recordedArguments(const QString& name) const
{
    return readLines(folder_ + QLatin1Char('/') + name + QStringLiteral(".args"));
}

QStringList FakeToolFolder::recordedEnvironment(const QString& name) const
{
    return readLines(folder_ + QLatin1Char('/') + name + QStringLiteral(".env"));
}

bool FakeToolFolder::ran(const QString& name) const
{
    return QFile::exists(folder_ + QLatin1Char('/') + name + QStringLiteral(".args"));
}

qint64 FakeToolFolder::recordedPid(const QString& name) const
{
    return readLines(folder_ + QLatin1Char('/') + name + QStringLiteral(".pid")).value(0).toLongLong();
}
