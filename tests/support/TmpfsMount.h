#pragma once

#include <QString>

// A small tmpfs mounted on a folder for one test, to run tools into a full
// or read-only file system. Needs root (and a kernel that lets this process
// mount); isMounted() says whether it worked. Unmounted when destroyed.
class TmpfsMount
{
public:
    TmpfsMount(const QString& folder, qint64 bytes);
    ~TmpfsMount();
    TmpfsMount(const TmpfsMount&) = delete;
    TmpfsMount& operator=(const TmpfsMount&) = delete;

    bool isMounted() const { return mounted_; }
    QString path() const { return folder_; }
    // Makes the file system read-only, or writable again.
    bool setReadOnly(bool readOnly);
    // Makes it hold `bytes` (space that returns, or runs out).
    bool setSize(qint64 bytes);

private:
    QString folder_;
    qint64 bytes_;
    bool mounted_ = false;
};
