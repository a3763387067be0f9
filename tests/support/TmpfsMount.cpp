#include "support/TmpfsMount.h"

#include <QDir>
#include <QFile>

#include <sys/mount.h>
#include <unistd.h>

TmpfsMount::TmpfsMount(const QString& folder, qint64 bytes) : folder_(folder), bytes_(bytes)
{
    QDir().mkpath(folder_);
    if (::geteuid() != 0) return;
    const QByteArray options = "size=" + QByteArray::number(bytes_);
    mounted_ = ::mount("tmpfs", QFile::encodeName(folder_).constData(), "tmpfs", 0, options.constData()) == 0;
}

TmpfsMount::~TmpfsMount()
{
    if (mounted_) ::umount2(QFile::encodeName(folder_).constData(), MNT_DETACH);
}

bool TmpfsMount::setReadOnly(bool readOnly)
{
    if (!mounted_) return false;
    const QByteArray options = "size=" + QByteArray::number(bytes_);
    const unsigned long flags = MS_REMOUNT | (readOnly ? MS_RDONLY : 0);
    return ::mount("tmpfs", QFile::encodeName(folder_).constData(), "tmpfs", flags, options.constData()) == 0;
}

bool TmpfsMount::setSize(qint64 bytes)
{
    if (!mounted_) return false;
    bytes_ = bytes;
    return setReadOnly(false);
}
