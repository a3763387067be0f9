#pragma once

#include <QString>
#include <QStringList>

// A helpers folder of scripted tools for one test: each tool is a small
// shell script that records its arguments and environment and then runs the
// shell text it was given. While the object lives the program finds its
// tools there (ToolLocator).
class FakeToolFolder
{
public:
    explicit FakeToolFolder(const QString& folder);
    ~FakeToolFolder();
    FakeToolFolder(const FakeToolFolder&) = delete;
    FakeToolFolder& operator=(const FakeToolFolder&) = delete;

    QString path() const { return folder_; }

    // Writes the executable `name` that records and then runs `shellBody`
    // (/bin/sh; PATH may be unset, so name programs by full path).
    void writeTool(const QString& name, const QString& shellBody);
    // A tool that prints `output` (taken byte for byte) and exits with `exitCode`.
    void writePrintingTool(const QString& name, const QByteArray& output, int exitCode = 0);

    // What the last run of `name` was given; empty when it never ran.
    QStringList recordedArguments(const QString& name) const;
    QStringList recordedEnvironment(const QString& name) const;
    bool ran(const QString& name) const;
    // The process id the last run of `name` had.
    qint64 recordedPid(const QString& name) const;

    // Shell text that prints `chunks` one after the other, `pauseMs` apart.
    static QString printChunks(const QList<QByteArray>& chunks, int pauseMs);

private:
    QString folder_;
};
