#include "queue/DBSaveRestore.h"

#include <cmath>
#include <vector>

namespace {

const QString kCreate = QStringLiteral(
    "CREATE TABLE IF NOT EXISTS queue (ID INTEGER PRIMARY KEY, type INTEGER, identifier TEXT, title TEXT, "
    "status INTEGER, paused INTEGER, password TEXT, bytes INTEGER, ispar INTEGER, ismainpar INTEGER, "
    "issample "
    "INTEGER, totsegments INTEGER, path TEXT, restorepoint INTEGER, groups TEXT, maxsize INTEGER, serverid "
    "TEXT, embnzb INTEGER, isnzb INTEGER)");
const QString kInsert = QStringLiteral(
    "INSERT INTO queue (ID,type,identifier,title,status,paused,password,bytes,ispar,ismainpar,issample,"
    "totsegments,path,restorepoint,groups,maxsize,serverid,embnzb,isnzb) VALUES "
    "(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");

DBStoreDefinition storeDefinition()
{
    DBStoreDefinition def;
    def.className = QStringLiteral("DBSaveRestore");
    def.storeName = QStringLiteral("SaveState");
    def.description = QStringLiteral("The saved download queue");
    def.databaseFilename = QStringLiteral("savestate.db");
    def.dbversion = 101;
    def.tables = {{kCreate, QStringLiteral("(1) Failed to create queue table in SaveState database.")}};
    def.versionRule = DBStoreDefinition::VersionRule::None;
    def.notFoundText = QStringLiteral("SaveState Database not found. Creating a new one.");
    def.openFailedText = QStringLiteral("Failed to open/create SaveState database.");
    def.infoFailedText = QStringLiteral("(2) Failed to create dbinfo table in SaveState database.");
    def.incompatibleText = QStringLiteral("Incompatible SaveState version. Import is cancelled.");
    return def;
}

// Parameter numbers are column positions plus one.
int param(DBSaveRestore::Column column)
{
    return int(column) + 1;
}

qint64 truncated(double value)
{
    return std::isfinite(value) ? qint64(std::trunc(value)) : 0;
}

// Where one row of the table comes from: its job, part and article within
// the snapshot (-1 where the row is not of that kind), and the row it
// belongs to.
struct RowRef
{
    qsizetype entry = 0;
    qsizetype part = -1;
    qsizetype segment = -1;
    qint64 owner = 0; // the job's or part's row ID; 0 for a job
};

// Every row in the order it is written; a row's ID is its position plus one.
std::vector<RowRef> rowsOf(const SaveStateSnapshot& snapshot)
{
    std::vector<RowRef> rows;
    rows.reserve(size_t(snapshot.rowCount()));
    const QList<SaveStateSnapshot::Entry>& entries = snapshot.entries();
    for (qsizetype e = 0; e < entries.size(); ++e) {
        rows.push_back({e, -1, -1, 0});
        const qint64 jobId = qint64(rows.size());
        for (qsizetype p = 0; p < entries[e].parts.size(); ++p) {
            rows.push_back({e, p, -1, jobId});
            const qint64 partId = qint64(rows.size());
            for (qsizetype a = 0; a < entries[e].parts[p].segments.size(); ++a)
                rows.push_back({e, p, a, partId});
        }
    }
    return rows;
}

void bindJob(DBStatement& st, const SaveStateSnapshot::Job& job)
{
    using C = DBSaveRestore;
    const bool upload = job.upload;
    st.bindInteger(param(C::ColType), upload ? C::UploadRow : C::JobRow);
    st.bindText(param(C::ColIdentifier), job.qid);
    st.bindText(param(C::ColTitle), job.title);
    st.bindInteger(param(C::ColStatus), job.status);
    st.bindInteger(param(C::ColPaused), job.isPaused);
    st.bindText(param(C::ColPassword), job.password);
    st.bindInteger(param(C::ColBytes), truncated(job.bytes));
    st.bindInteger(param(C::ColIspar), upload ? job.makeNZB : job.hasRepairFiles);
    if (upload) st.bindInteger(param(C::ColIssample), job.uploadNZB);
    st.bindInteger(param(C::ColTotsegments), job.totalSegments);
    if (!upload) st.bindText(param(C::ColPath), job.downloadUrl);
    st.bindInteger(param(C::ColRestorepoint), upload ? job.isBinaryUpload : job.restorePoint);
    st.bindText(param(C::ColGroups), job.groups);
    if (upload) {
        st.bindInteger(param(C::ColMaxsize), truncated(job.maxArticleSize));
        st.bindText(param(C::ColServerid), job.serverID);
    }
    st.bindInteger(param(C::ColEmbnzb), job.hasEmbeddedNZB);
    st.bindInteger(param(C::ColIsnzb), job.kind);
}

void bindPart(DBStatement& st, const SaveStateSnapshot::Job& job, const SaveStateSnapshot::Part& part,
              qint64 owner)
{
    using C = DBSaveRestore;
    st.bindInteger(param(C::ColType), C::FilepartRow);
    st.bindText(param(C::ColIdentifier), part.fid);
    st.bindText(param(C::ColTitle), part.filename);
    st.bindInteger(param(C::ColStatus), part.status);
    st.bindInteger(param(C::ColPaused), part.checkbox);
    st.bindInteger(param(C::ColBytes), truncated(part.bytes));
    st.bindInteger(param(C::ColIspar), part.ispar);
    st.bindInteger(param(C::ColIsmainpar), part.ismainpar);
    st.bindInteger(param(C::ColIssample), part.isSampleFile);
    st.bindInteger(param(C::ColTotsegments), part.totalSegments);
    if (job.upload && !part.fileUrl.isEmpty()) st.bindText(param(C::ColPath), part.fileUrl);
    st.bindInteger(param(C::ColRestorepoint), owner);
}

void bindArticle(DBStatement& st, const SaveStateSnapshot::Job& job, const Segment& seg, qint64 owner)
{
    using C = DBSaveRestore;
    st.bindInteger(param(C::ColType), C::ArticleRow);
    const qint64 segnr = seg.segnr();
    if (segnr == 1) {
        if (job.makeNZB) st.bindText(param(C::ColIdentifier), seg.filename());
        st.bindText(param(C::ColPath), job.poster);
    }
    // A text post keeps its body where its article's message-id goes.
    st.bindText(param(C::ColTitle), job.upload && !job.isBinaryUpload && !job.textBody.isEmpty()
                                        ? job.textBody
                                        : seg.mid());
    st.bindInteger(param(C::ColStatus), seg.status());
    st.bindInteger(param(C::ColBytes), truncated(seg.bytes()));
    // Kept for downloads too: the article's number shows in its connection's
    // row and decides the first-article rule of the hand-out.
    st.bindInteger(param(C::ColIssample), segnr);
    st.bindInteger(param(C::ColRestorepoint), owner);
}

} // namespace

DBSaveRestore::DBSaveRestore() : DBStore(storeDefinition())
{
    startDB();
}

QList<QStringList> DBSaveRestore::loadQueue()
{
    return dbQuery(QStringLiteral("SELECT * FROM queue ORDER BY ID;"));
}

bool DBSaveRestore::saveQueue(const SaveStateSnapshot& snapshot)
{
    const std::vector<RowRef> rows = rowsOf(snapshot);
    const QList<SaveStateSnapshot::Entry>& entries = snapshot.entries();
    DBTableWrite w;
    w.table = QStringLiteral("queue");
    w.statement = kInsert;
    w.rowCount = qsizetype(rows.size());
    w.bindRow = [&rows, &entries](DBStatement& st, qsizetype row) {
        const RowRef& r = rows[size_t(row)];
        const SaveStateSnapshot::Entry& entry = entries[r.entry];
        st.bindInteger(param(ColID), row + 1);
        if (r.part < 0) {
            bindJob(st, entry.job);
        } else if (r.segment < 0) {
            bindPart(st, entry.job, entry.parts[r.part], r.owner);
        } else {
            const SegmentPtr& seg = entry.parts[r.part].segments[r.segment];
            if (!seg) return false;
            bindArticle(st, entry.job, *seg, r.owner);
        }
        return true;
    };
    return writeTable(w, WriteMode::Replace);
}

bool DBSaveRestore::clearDatabase()
{
    return clearTables({QStringLiteral("queue")});
}
