#pragma once

#include <QString>
#include <QTemporaryDir>

// A home of its own for one test: HOME and the XDG folders point into a
// temporary folder, the settings and the logger start from scratch, and
// everything is removed afterwards.
class TempHome
{
public:
    // With `registerDefaults`, the application-support folder is created and
    // every setting registered, as at program start.
    explicit TempHome(bool registerDefaults = true);
    ~TempHome();

    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    QString path() const { return dir_.path(); }
    QString appSupportPath() const;
    QString downloadsPath() const;
    QString logFilePath() const;
    // A path below the home, its folders created.
    QString makeFolder(const QString& relative) const;

private:
    QTemporaryDir dir_;
    QByteArray saved_[6];
};
