#include "postprocess/JoinFileParts.h"

#include "core/FileOperations.h"
#include "core/FileUtils.h"
#include "core/Logger.h"
#include "platform/Dispatch.h"
#include "postprocess/ArchiveNames.h"
#include "postprocess/RepairObject.h"
#include "queue/Queue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 kBlock = 1 << 20;

const QRegularExpression& pieceExpression()
{
    static const QRegularExpression e(QStringLiteral("^(.*)\\.(\\d+)$"));
    return e;
}

QString errnoText()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// A name from the set or the NZB, used only when it is one plain file name.
bool isPlainName(const QString& name)
{
    return !name.isEmpty() && FileUtils::safeForeignFileName(name) == name;
}

} // namespace

std::shared_ptr<JoinFileParts> JoinFileParts::create()
{
    return std::shared_ptr<JoinFileParts>(new JoinFileParts());
}

JoinFileParts::~JoinFileParts() = default;

void JoinFileParts::setFileRepairExtractController(FileRepairExtractDelegate* controller)
{
    controller_ = FileRepairExtractDelegateRef(controller);
}

void JoinFileParts::setQueue(const QueuePtr& queue)
{
    QMutexLocker locker(&lock_);
    queue_ = queue;
}

QueuePtr JoinFileParts::queue() const
{
    QMutexLocker locker(&lock_);
    return queue_.lock();
}

bool JoinFileParts::isPieceName(const QString& name)
{
    return pieceExpression().match(name).hasMatch();
}

QList<JoinFileParts::Group> JoinFileParts::groupPieces(const QStringList& names)
{
    QList<Group> groups;
    for (const QString& name : names) {
        const QRegularExpressionMatch m = pieceExpression().match(name);
        if (!m.hasMatch()) continue;
        const QString target = m.captured(1);
        auto it =
            std::find_if(groups.begin(), groups.end(), [&](const Group& g) { return g.target == target; });
        if (it == groups.end()) {
            groups.append({target, {}});
            it = groups.end() - 1;
        }
        if (!it->pieces.contains(name)) it->pieces.append(name);
    }
    for (Group& g : groups) {
        std::stable_sort(g.pieces.begin(), g.pieces.end(), [](const QString& a, const QString& b) {
            return ArchiveNames::digitsLess(pieceExpression().match(a).captured(2),
                                            pieceExpression().match(b).captured(2));
        });
    }
    return groups;
}

bool JoinFileParts::isComplete(const Group& group)
{
    qint64 expected = -1;
    for (const QString& piece : group.pieces) {
        const QString digits = pieceExpression().match(piece).captured(2);
        bool ok = false;
        const qint64 n = digits.size() <= 12 ? digits.toLongLong(&ok) : -1;
        if (!ok) return false;
        if (expected < 0) {
            if (n != 0 && n != 1) return false;
        } else if (n != expected) {
            return false;
        }
        expected = n + 1;
    }
    return expected > 0;
}

void JoinFileParts::start()
{
    if (started_.exchange(true)) return;
    std::shared_ptr<JoinFileParts> self = shared_from_this();
    QThread* thread = QThread::create([self] { self->main(); });
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
}

void JoinFileParts::sendComment(const QString& text)
{
    std::shared_ptr<JoinFileParts> self = shared_from_this();
    Dispatch::onMain([self, text] {
        if (FileRepairExtractDelegate* c = self->controller_.get()) c->sendComment(text);
    });
}

void JoinFileParts::extracted(qsizetype count, qsizetype total)
{
    const QueuePtr job = queue();
    if (!job || total <= 0) return;
    job->setPercentRepaired(progressFor(count, total));
}

qint64 JoinFileParts::progressFor(qsizetype count, qsizetype total)
{
    if (total <= 0) return 0;
    if (count >= total) return 100;
    return qint64(100.0f / float(total) * float(count));
}

void JoinFileParts::dismissWithResult(bool result)
{
    if (reported_.exchange(true)) return;
    const QueuePtr job = queue();
    if (isCancelled()) BLOG(2, "Stop due cancellation :: %@", job ? job->title() : QString());
    std::shared_ptr<JoinFileParts> self = shared_from_this();
    Dispatch::onMain([self, result] {
        if (FileRepairExtractDelegate* c = self->controller_.get()) c->joiningFinishedWithResult(result);
    });
}

void JoinFileParts::main()
{
    bool result = false;
    try {
        const QueuePtr job = queue();
        if (!job) {
            dismissWithResult(false);
            return;
        }
        const QString folder = job->downloadUrl();
        QStringList names;
        const RepairObjectPtr set = job->repairObject();
        if (set) {
            for (const RepairObjectPtr& child : set->childs())
                if (isPieceName(child->filename())) names.append(child->filename());
        }
        if (names.isEmpty()) {
            for (const QueuePtr& part : job->fileparts())
                if (isPieceName(part->filename())) names.append(part->filename());
        }
        names.removeIf([](const QString& n) { return !isPlainName(n); });

        QList<Group> groups;
        bool usable = true;
        for (const Group& g : groupPieces(names)) {
            if (g.pieces.size() == 1 && !isComplete(g)) continue; // a name such as "report.2023"
            if (!isComplete(g)) {
                BLOG(3, "Not joining %@: pieces are missing (%@).", g.target,
                     g.pieces.join(QStringLiteral(", ")));
                usable = false;
                continue;
            }
            for (const QString& piece : g.pieces) {
                QFile f(folder + QLatin1Char('/') + piece);
                if (!QFileInfo(f.fileName()).isFile() || !f.open(QIODevice::ReadOnly)) {
                    BLOG(3, "Not joining %@: %@ cannot be read.", g.target, piece);
                    usable = false;
                }
            }
            groups.append(g);
        }
        if (!usable || folder.isEmpty()) {
            dismissWithResult(groups.isEmpty() && usable);
            return;
        }
        qsizetype total = 0;
        for (const Group& g : groups)
            total += g.pieces.size();
        qsizetype joined = 0;
        QList<Joined> written;
        for (const Group& g : groups) {
            const std::optional<QString> name = joinGroup(g, joined, total);
            if (!name) {
                dismissWithResult(false);
                return;
            }
            written.append({g.pieces, *name});
        }
        if (!written.isEmpty()) {
            filesWritten(job, written);
            return;
        }
        result = true;
    } catch (const std::exception& e) {
        BLOG(3, "%@", QString::fromLocal8Bit(e.what()));
        result = false;
    }
    dismissWithResult(result);
}

std::optional<QString> JoinFileParts::joinGroup(const Group& group, qsizetype& joined, qsizetype total)
{
    const QueuePtr job = queue();
    if (!job) return std::nullopt;
    const QString folder = job->downloadUrl();
    const QString wanted = folder + QLatin1Char('/') + group.target;

    // Written under a hidden name of its own and put in place when whole.
    const QString hiddenPrefix = QStringLiteral(".") + group.target.left(200) + QStringLiteral(".joining-");
    removeInterruptedJoins(folder, hiddenPrefix);
    QByteArray partial = QFile::encodeName(folder + QLatin1Char('/') + hiddenPrefix) + "XXXXXX";
    const int out = ::mkstemp(partial.data());
    if (out < 0) {
        BLOG(3, "Could not create the joined file %@ :: %@", wanted, errnoText());
        return std::nullopt;
    }
    const QString partialPath = QFile::decodeName(partial);
    auto fail = [&](const QString& why) -> std::optional<QString> {
        BLOG(3, "%@", why);
        ::close(out);
        ::unlink(partial.constData());
        return std::nullopt;
    };

    QByteArray buffer(kBlock, Qt::Uninitialized);
    for (const QString& piece : group.pieces) {
        if (job->isCancelled() || cancelRequested_.load()) {
            isCancelled_.store(true);
            return fail(sformat(u"Joining of %@ cancelled.", group.target));
        }
        sendComment(sformat(u"Joining file: %@", piece));
        QFile in(folder + QLatin1Char('/') + piece);
        if (!in.open(QIODevice::ReadOnly)) return fail(sformat(u"%@ :: %@", in.errorString(), piece));
        for (;;) {
            const qint64 n = in.read(buffer.data(), kBlock);
            if (n < 0) return fail(sformat(u"%@ :: %@", in.errorString(), piece));
            if (n == 0) break;
            for (qint64 done = 0; done < n;) {
                const ssize_t w = ::write(out, buffer.constData() + done, size_t(n - done));
                if (w < 0) {
                    if (errno == EINTR) continue;
                    return fail(sformat(u"%@ :: %@", errnoText(), wanted));
                }
                done += w;
            }
        }
        extracted(++joined, total);
    }
    ::fchmod(out, 0644);
    if (::fsync(out) != 0 || ::close(out) != 0) {
        const QString why = sformat(u"%@ :: %@", errnoText(), wanted);
        ::unlink(partial.constData());
        BLOG(3, "%@", why);
        return std::nullopt;
    }

    // A run that was cut short after it had put its file in place (the
    // program ended before the pieces went) left this very file: it is the
    // join, not a file to keep beside it.
    if (FileOperations::sameContent(partialPath, wanted)) {
        ::unlink(partial.constData());
        return group.target;
    }
    const QString target = FileUtils::createAlternativeFilenameFor(wanted);
    if (target.isEmpty() || !FileUtils::renameFilenameFromUrl(partialPath, target, false)) {
        ::unlink(partial.constData());
        BLOG(3, "Could not name the joined file %@", wanted);
        return std::nullopt;
    }
    return QFileInfo(target).fileName();
}

void JoinFileParts::removeInterruptedJoins(const QString& folder, const QString& hiddenPrefix)
{
    // Only one join runs at a time: a file of this shape is what a join that
    // was cut short (a crash, a kill) left half-written.
    const QStringList names = QDir(folder).entryList({hiddenPrefix + QStringLiteral("??????")},
                                                     QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        if (name.size() == hiddenPrefix.size() + 6) ::unlink(QFile::encodeName(folder + QLatin1Char('/') + name));
    }
}

void JoinFileParts::filesWritten(const QueuePtr& job, const QList<Joined>& written)
{
    std::shared_ptr<JoinFileParts> self = shared_from_this();
    Dispatch::onMain([self, job, written] {
        // The entries of each first piece now stand for the joined file.
        for (const Joined& j : written)
            renameEntries(job, j.pieces.first(), j.joinedName);
        auto deletePieces = [self, job, written] {
            Dispatch::global([self, job, written] {
                const QString folder = job->downloadUrl();
                for (const Joined& j : written) {
                    for (const QString& piece : j.pieces) {
                        if (!QFile::remove(folder + QLatin1Char('/') + piece)) BLOG(3, "Could not delete %@", piece);
                    }
                }
                self->dismissWithResult(true);
            });
        };
        if (FileRepairExtractDelegate* c = self->controller_.get()) c->joinedFilesWritten(std::move(deletePieces));
    });
}

void JoinFileParts::renameEntries(const QueuePtr& job, const QString& first, const QString& joinedName)
{
    if (const RepairObjectPtr set = job->repairObject()) {
        for (const RepairObjectPtr& child : set->childs()) {
            if (child->filename() == first) {
                child->setFilename(joinedName);
                break;
            }
        }
    }
    // The part too: a job restored after the pieces went must find its
    // file under the name it now has.
    for (const QueuePtr& part : job->fileparts()) {
        if (part->filename() == first) {
            part->setFilename(joinedName);
            break;
        }
    }
}

void JoinFileParts::removeLeftoverPieces(const QueuePtr& job)
{
    if (!job) return;
    const QString folder = job->downloadUrl();
    if (folder.isEmpty()) return;
    QStringList names;
    for (const QueuePtr& part : job->fileparts())
        names.append(part->filename());
    for (const Group& g : groupPieces(names)) {
        // Joined: the first piece's part is named after the joined file,
        // which is whole on disk (it is put in place only when whole).
        if (!names.contains(g.target) || !QFileInfo(folder + QLatin1Char('/') + g.target).isFile()) continue;
        const QStringList pieces = QDir(folder).entryList({g.target + QStringLiteral(".*")}, QDir::Files | QDir::Hidden);
        for (const QString& piece : pieces) {
            if (pieceExpression().match(piece).captured(1) != g.target) continue;
            BLOG(1, "Removing a piece of the joined file %@ :: %@", g.target, piece);
            QFile::remove(folder + QLatin1Char('/') + piece);
        }
    }
}
