#include "support/Par2SetMaker.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>

bool Par2SetMaker::isAvailable()
{
    return !QStandardPaths::findExecutable(QStringLiteral("par2")).isEmpty();
}

bool Par2SetMaker::writeFiles(const QString& folder, const QList<QPair<QString, qint64>>& files, quint32 seed)
{
    QRandomGenerator rng(seed);
    for (const auto& [name, size] : files) {
        QFile f(QDir(folder).filePath(name));
        if (!f.open(QIODevice::WriteOnly)) return false;
        QByteArray data(size, Qt::Uninitialized);
        for (qint64 i = 0; i < size; ++i)
            data[i] = char(rng.generate() & 0xFF);
        if (f.write(data) != size) return false;
    }
    return true;
}

QStringList Par2SetMaker::create(const QString& folder, const QString& name, const QStringList& files,
                                 qint64 sliceSize, int recoveryBlocks, QString* output, int timeoutMs)
{
    QProcess par2;
    par2.setWorkingDirectory(folder);
    par2.setProcessChannelMode(QProcess::MergedChannels);
    QStringList args{QStringLiteral("create"), QStringLiteral("-q"), QStringLiteral("-s%1").arg(sliceSize),
                     QStringLiteral("-c%1").arg(recoveryBlocks), name + QStringLiteral(".par2")};
    args += files;
    par2.start(QStringLiteral("par2"), args);
    const bool done = par2.waitForFinished(timeoutMs);
    if (output) *output = QString::fromLocal8Bit(par2.readAll());
    if (!done || par2.exitStatus() != QProcess::NormalExit || par2.exitCode() != 0) return {};
    QStringList made;
    made << QDir(folder).filePath(name + QStringLiteral(".par2"));
    const QStringList volumes =
        QDir(folder).entryList({name + QStringLiteral(".vol*.par2")}, QDir::Files, QDir::Name);
    for (const QString& v : volumes)
        made << QDir(folder).filePath(v);
    return made;
}
