#include "queue/FilePartSpool.h"

#include <QDir>
#include <QFile>
#include <QMutex>
#include <QMutexLocker>
#include <QRandomGenerator>
#include <QSet>

#include <openssl/evp.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <mutex>
#include <sys/mman.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr qint64 k16k = 16384;
constexpr qint64 kBlock = qint64(1) << 20;

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

QString hex(const unsigned char* digest, unsigned int size)
{
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(digest), int(size)).toHex());
}

// A name that no other spool file of this or another run has.
QString freshName()
{
    return QStringLiteral("part-%1-%2.tmp")
        .arg(::getpid())
        .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'));
}

// Spool files of a run that ended without removing them (it crashed, or
// was killed): a part spooled while it downloaded may have left a large
// one. Each run looks once per folder; a file of a process that still runs
// is left alone.
void removeLeftoversOfEndedRuns(const QString& folder)
{
    static QMutex lock;
    static QSet<QString> swept;
    {
        QMutexLocker locker(&lock);
        if (swept.contains(folder)) return;
        swept.insert(folder);
    }
    const QStringList names =
        QDir(folder).entryList({QStringLiteral("part-*.tmp")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        bool ok = false;
        const pid_t pid = pid_t(name.section(QLatin1Char('-'), 1, 1).toLongLong(&ok));
        if (!ok || pid <= 0 || pid == ::getpid()) continue;
        if (::kill(pid, 0) == 0 || errno != ESRCH) continue;
        ::unlink(native(folder + QLatin1Char('/') + name).constData());
    }
}

} // namespace

struct FilePartSpool::Digests
{
    EVP_MD_CTX* whole = EVP_MD_CTX_new();
    EVP_MD_CTX* first16k = EVP_MD_CTX_new();

    Digests()
    {
        EVP_DigestInit_ex(whole, EVP_md5(), nullptr);
        EVP_DigestInit_ex(first16k, EVP_md5(), nullptr);
    }
    ~Digests()
    {
        EVP_MD_CTX_free(whole);
        EVP_MD_CTX_free(first16k);
    }
    Digests(const Digests&) = delete;
    Digests& operator=(const Digests&) = delete;

    void add(qint64 at, const char* data, qint64 size)
    {
        EVP_DigestUpdate(whole, data, size_t(size));
        if (at < k16k) EVP_DigestUpdate(first16k, data, size_t(std::min(size, k16k - at)));
    }
    static QString finish(EVP_MD_CTX* ctx)
    {
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int size = 0;
        EVP_DigestFinal_ex(ctx, digest, &size);
        return hex(digest, size);
    }
};

// MD5 is slower than decoding and writing together, so the digests of the
// bytes written in order are computed on a thread of their own while the
// decoder goes on. A bounded amount of bytes waits for it.
class FilePartSpool::DigestWorker
{
public:
    explicit DigestWorker(Digests* digests) : digests_(digests), thread_([this] { run(); }) {}
    ~DigestWorker() { finish(); }
    DigestWorker(const DigestWorker&) = delete;
    DigestWorker& operator=(const DigestWorker&) = delete;

    void push(QByteArray block)
    {
        std::unique_lock<std::mutex> locker(mutex_);
        notFull_.wait(locker, [this] { return waiting_ < kMaxWaiting; });
        waiting_ += block.size();
        blocks_.push_back(std::move(block));
        notEmpty_.notify_one();
    }
    // Returns once every block pushed is in the digests.
    void finish()
    {
        {
            std::lock_guard<std::mutex> locker(mutex_);
            done_ = true;
        }
        notEmpty_.notify_one();
        if (thread_.joinable()) thread_.join();
    }

private:
    static constexpr qint64 kMaxWaiting = 16 * kBlock;

    void run()
    {
        qint64 at = 0;
        for (;;) {
            QByteArray block;
            {
                std::unique_lock<std::mutex> locker(mutex_);
                notEmpty_.wait(locker, [this] { return done_ || !blocks_.empty(); });
                if (blocks_.empty()) return;
                block = std::move(blocks_.front());
                blocks_.pop_front();
            }
            digests_->add(at, block.constData(), block.size());
            at += block.size();
            {
                std::lock_guard<std::mutex> locker(mutex_);
                waiting_ -= block.size();
            }
            notFull_.notify_one();
        }
    }

    Digests* digests_;
    std::mutex mutex_;
    std::condition_variable notEmpty_;
    std::condition_variable notFull_;
    std::deque<QByteArray> blocks_;
    qint64 waiting_ = 0;
    bool done_ = false;
    std::thread thread_;
};

QString FilePartSpool::spoolFolderFor(const QString& downloadFolder)
{
    return QDir::cleanPath(downloadFolder) + QStringLiteral("/.binorama-writing");
}

std::unique_ptr<FilePartSpool> FilePartSpool::create(const QString& downloadFolder, int* errorCode,
                                                     QString* errorString)
{
    const auto failed = [&](int code) -> std::unique_ptr<FilePartSpool> {
        if (errorCode) *errorCode = code;
        if (errorString) *errorString = QString::fromLocal8Bit(std::strerror(code));
        return nullptr;
    };
    if (downloadFolder.isEmpty()) return failed(ENOENT);
    const QString folder = spoolFolderFor(downloadFolder);
    const auto makeFolder = [&] { return ::mkdir(native(folder).constData(), 0777) == 0 || errno == EEXIST; };
    if (!makeFolder()) return failed(errno);
    removeLeftoversOfEndedRuns(folder);
    for (int attempt = 0;; ++attempt) {
        const QString path = folder + QLatin1Char('/') + freshName();
        const int fd = ::open(native(path).constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) return std::unique_ptr<FilePartSpool>(new FilePartSpool(folder, path, fd));
        const int code = errno;
        if (attempt == 100 || (code != EEXIST && code != ENOENT)) return failed(code);
        // Another part that just placed its file removes the folder once it
        // looks empty, which may be between our mkdir and our open.
        if (code == ENOENT && !makeFolder()) return failed(errno);
    }
}

FilePartSpool::FilePartSpool(QString folder, QString path, int fd)
    : folder_(std::move(folder)), path_(std::move(path)), fd_(fd), writer_(fd),
      digests_(std::make_unique<Digests>())
{}

FilePartSpool::~FilePartSpool()
{
    worker_.reset();
    if (fd_ >= 0) ::close(fd_);
    if (!placed_) removeFile();
    // The folder goes again once no part is on its way.
    ::rmdir(native(folder_).constData());
}

void FilePartSpool::removeFile()
{
    ::unlink(native(path_).constData());
}

bool FilePartSpool::fail(int code)
{
    QMutexLocker locker(&errorLock_);
    errorCode_ = code;
    errorString_ = QString::fromLocal8Bit(std::strerror(code));
    return false;
}

QString FilePartSpool::errorString() const
{
    QMutexLocker locker(&errorLock_);
    return errorString_;
}

int FilePartSpool::errorCode() const
{
    QMutexLocker locker(&errorLock_);
    return errorCode_;
}

bool FilePartSpool::writeAt(qint64 offset, QByteArrayView data)
{
    if (fd_ < 0 || offset < 0) return fail(EBADF);
    if (const int error = writer_.writeAt(offset, data.data(), data.size())) return fail(error);
    if (hashing_ && inOrder_) {
        if (offset < hashedEnd_) {
            inOrder_ = false;
        } else {
            hashZeros(offset - hashedEnd_);
            hash(data.data(), data.size());
        }
    }
    const qint64 end = offset + data.size();
    qint64 size = size_.load();
    while (end > size && !size_.compare_exchange_weak(size, end)) {
    }
    return true;
}

void FilePartSpool::hash(const char* data, qint64 size)
{
    if (!worker_) worker_ = std::make_unique<DigestWorker>(digests_.get());
    worker_->push(QByteArray(data, qsizetype(size)));
    hashedEnd_ += size;
}

void FilePartSpool::hashZeros(qint64 size)
{
    static const QByteArray zeros(kBlock, '\0');
    while (size > 0) {
        const qint64 n = std::min(size, kBlock);
        if (!worker_) worker_ = std::make_unique<DigestWorker>(digests_.get());
        // The full block is shared, not copied.
        worker_->push(n == kBlock ? zeros : QByteArray(qsizetype(n), '\0'));
        hashedEnd_ += n;
        size -= n;
    }
}

bool FilePartSpool::computeDigestsFromFile()
{
    if (fd_ < 0) return false;
    worker_.reset();
    digests_ = std::make_unique<Digests>();
    hashedEnd_ = 0;
    // Here on this thread: reading back is faster than the digest, so a
    // second thread would only gather blocks waiting for it.
    QByteArray block(kBlock, Qt::Uninitialized);
    for (;;) {
        const ssize_t n = ::pread(fd_, block.data(), size_t(kBlock), off_t(hashedEnd_));
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail(errno);
        }
        if (n == 0) break;
        digests_->add(hashedEnd_, block.constData(), n);
        hashedEnd_ += n;
    }
    inOrder_ = true;
    return true;
}

void FilePartSpool::finishDigests()
{
    worker_.reset();
    md516k_ = Digests::finish(digests_->first16k);
    md5_ = Digests::finish(digests_->whole);
}

QString FilePartSpool::md516k()
{
    if (md516k_.isEmpty()) {
        if (digestsReady()) {
            finishDigests();
        } else {
            // Only the head: the whole file is left to md5(), which may
            // follow later.
            if (fd_ < 0) return QString();
            const QByteArray head = leadingBytes(k16k);
            unsigned char digest[EVP_MAX_MD_SIZE];
            unsigned int size = 0;
            if (!EVP_Digest(head.constData(), size_t(head.size()), digest, &size, EVP_md5(), nullptr))
                return QString();
            md516k_ = hex(digest, size);
        }
    }
    return md516k_;
}

QString FilePartSpool::md5()
{
    if (md5_.isEmpty()) {
        if (!digestsReady() && !computeDigestsFromFile()) return QString();
        finishDigests();
    }
    return md5_;
}

QByteArray FilePartSpool::leadingBytes(qint64 count) const
{
    QByteArray bytes(std::min(count, size_.load()), Qt::Uninitialized);
    qint64 got = 0;
    while (fd_ >= 0 && got < bytes.size()) {
        const ssize_t n = ::pread(fd_, bytes.data() + got, size_t(bytes.size() - got), off_t(got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += n;
    }
    bytes.truncate(got);
    return bytes;
}

bool FilePartSpool::withMappedData(const std::function<void(const QByteArray& data)>& reader) const
{
    const qint64 size = size_.load();
    if (fd_ < 0 || size <= 0) return false;
    void* map = ::mmap(nullptr, size_t(size), PROT_READ, MAP_PRIVATE, fd_, 0);
    if (map == MAP_FAILED) return false;
    {
        const QByteArray data = QByteArray::fromRawData(static_cast<const char*>(map), qsizetype(size));
        reader(data);
    }
    ::munmap(map, size_t(size));
    return true;
}

bool FilePartSpool::moveTo(const QString& target)
{
    if (fd_ < 0 || placed_) return fail(EBADF);
    if (::rename(native(path_).constData(), native(target).constData()) != 0) {
        if (errno != EXDEV) return fail(errno);
        if (!copyTo(target)) return false;
    }
    // The descriptor stays open: it reads the same bytes wherever the file
    // goes next, for the digest that may follow. The folder need not wait
    // for that.
    placed_ = true;
    ::rmdir(native(folder_).constData());
    return true;
}

// Across file systems: a copy beside the target, renamed over it once it is
// complete, so that a failure never leaves a half-written file under the
// target's name.
bool FilePartSpool::copyTo(const QString& target)
{
    const QString folder = QFileInfo(target).absolutePath();
    const QString temporary = folder + QStringLiteral("/.") + freshName();
    const int out = ::open(native(temporary).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (out < 0) return fail(errno);
    bool ok = true;
    FileRangeWriter writer(out);
    QByteArray block(kBlock, Qt::Uninitialized);
    for (qint64 at = 0; ok;) {
        const ssize_t n = ::pread(fd_, block.data(), size_t(kBlock), off_t(at));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = fail(errno);
        if (n <= 0) break;
        if (const int error = writer.writeAt(at, block.constData(), n)) ok = fail(error);
        at += n;
    }
    // A full disk may only show at close.
    if (::close(out) != 0 && ok) ok = fail(errno);
    if (ok && ::rename(native(temporary).constData(), native(target).constData()) != 0) ok = fail(errno);
    if (!ok) {
        ::unlink(native(temporary).constData());
        return false;
    }
    removeFile();
    return true;
}
