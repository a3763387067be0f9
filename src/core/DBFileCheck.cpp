#include "core/DBFileCheck.h"

#include <QDateTime>
#include <QFile>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QRegularExpression>
#include <QSet>

#include <sqlite3.h>

#include <cerrno>
#include <optional>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Which file a path named when it was checked: a file put in its place
// later (restored from a backup, written by another program) is another.
struct Identity
{
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const Identity&) const = default;
};

std::optional<Identity> identityOf(const QString& path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return std::nullopt;
    return Identity{st.st_dev, st.st_ino};
}

struct Registry
{
    QMutex mutex;
    QHash<QString, Identity> checked;
    QSet<QString> noticed;
};

Registry& registry()
{
    static Registry r;
    return r;
}

bool exists(const QByteArray& path)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0;
}

const char* const kSideFiles[] = {"-journal", "-wal", "-shm"};

} // namespace

bool DBFileCheck::needsCheck(const QString& path)
{
    const std::optional<Identity> id = identityOf(path);
    if (!id) return false; // nothing there to check; making it is startDB's work
    Registry& r = registry();
    QMutexLocker locker(&r.mutex);
    const auto it = r.checked.constFind(path);
    return it == r.checked.constEnd() || !(*it == *id);
}

void DBFileCheck::markChecked(const QString& path)
{
    const std::optional<Identity> id = identityOf(path);
    Registry& r = registry();
    QMutexLocker locker(&r.mutex);
    if (id)
        r.checked.insert(path, *id);
    else
        r.checked.remove(path);
}

void DBFileCheck::forget(const QString& path)
{
    Registry& r = registry();
    QMutexLocker locker(&r.mutex);
    r.checked.remove(path);
}

bool DBFileCheck::isDamage(int code)
{
    const int primary = code & 0xff;
    return primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT;
}

DBFileCheck::Result DBFileCheck::check(sqlite3* db, const QString& path, const QStringList& tables)
{
    Result result;
    const auto failed = [&](int rc) {
        result.reason = QString::fromUtf8(sqlite3_errmsg(db));
        result.verdict = isDamage(rc) ? Verdict::Damaged : Verdict::Unknown;
        return result;
    };

    // Reads every page of the file once: a file cut short or overwritten in
    // the middle fails here rather than in the middle of a later load. It
    // also plays back a journal left by a crash first, so a file that a
    // crash interrupted is restored, not mistaken for a damaged one.
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(db, "PRAGMA quick_check(1)", -1, &st, nullptr);
    if (rc != SQLITE_OK) return failed(rc);
    rc = sqlite3_step(st);
    if (rc != SQLITE_ROW) {
        sqlite3_finalize(st);
        return failed(rc);
    }
    const QString verdict = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    if (verdict != QLatin1String("ok")) {
        result.verdict = Verdict::Damaged;
        result.reason = verdict;
        return result;
    }

    // An empty file is a valid, empty database to SQLite; like a database of
    // some other program, it holds nothing of the store and never will, as
    // tables are made only with a new file.
    rc = sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type='table'", -1, &st, nullptr);
    if (rc != SQLITE_OK) return failed(rc);
    bool holdsOne = tables.isEmpty();
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        const QString name = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        if (tables.contains(name, Qt::CaseInsensitive)) holdsOne = true;
    }
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE) return failed(rc);
    if (!holdsOne) {
        result.verdict = Verdict::Damaged;
        result.reason = QStringLiteral("none of the tables %1 in it").arg(tables.join(QStringLiteral(", ")));
        return result;
    }
    result.verdict = Verdict::Readable;
    markChecked(path);
    return result;
}

QString DBFileCheck::setAside(const QString& path, QString* error)
{
    const QString stem =
        path + QStringLiteral(".damaged-") + QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HHmmss"));
    QString target = stem;
    for (int n = 2; exists(QFile::encodeName(target)); ++n)
        target = stem + QLatin1Char('-') + QString::number(n);

    const QByteArray from = QFile::encodeName(path);
    const QByteArray to = QFile::encodeName(target);
    if (::rename(from.constData(), to.constData()) != 0) {
        if (error) *error = QString::fromLocal8Bit(std::strerror(errno));
        return QString();
    }
    // A journal belongs to the file it was written for: left behind, it
    // would be played back into the new file of the same name.
    for (const char* side : kSideFiles) {
        const QByteArray sideFrom = from + side;
        if (exists(sideFrom) && ::rename(sideFrom.constData(), (to + side).constData()) != 0)
            ::unlink(sideFrom.constData());
    }
    forget(path);
    return target;
}

bool DBFileCheck::firstNotice(const QString& path)
{
    Registry& r = registry();
    QMutexLocker locker(&r.mutex);
    if (r.noticed.contains(path)) return false;
    r.noticed.insert(path);
    return true;
}

QString DBFileCheck::tableNameOf(const QString& createStatement)
{
    static const QRegularExpression pattern(
        QStringLiteral("^\\s*CREATE\\s+TABLE\\s+(?:IF\\s+NOT\\s+EXISTS\\s+)?[\"`\\[]?(\\w+)"),
        QRegularExpression::CaseInsensitiveOption);
    return pattern.match(createStatement).captured(1);
}
