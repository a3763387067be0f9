#include "queue/DBSaveRestore.h"

#include <cmath>

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

void bindRow(DBStatement& st, const DBSaveRestore::RowSource& r)
{
    using C = DBSaveRestore;
    st.bindInteger(param(C::ColID), r.id);
    st.bindInteger(param(C::ColType), r.type);
    const Queue& job = *r.job;
    switch (r.type) {
    case C::JobRow:
    case C::UploadRow: {
        const bool upload = r.type == C::UploadRow;
        st.bindText(param(C::ColIdentifier), job.qid());
        st.bindText(param(C::ColTitle), job.title());
        st.bindInteger(param(C::ColStatus), job.status());
        st.bindInteger(param(C::ColPaused), job.isPaused());
        st.bindText(param(C::ColPassword), job.password());
        st.bindInteger(param(C::ColBytes), truncated(job.bytes()));
        st.bindInteger(param(C::ColIspar), upload ? job.makeNZB() : job.hasRepairFiles());
        if (upload) st.bindInteger(param(C::ColIssample), job.uploadNZB());
        st.bindInteger(param(C::ColTotsegments), job.totalSegments());
        if (!upload) st.bindText(param(C::ColPath), job.downloadUrl());
        st.bindInteger(param(C::ColRestorepoint), upload ? job.isBinaryUpload() : job.restorePoint());
        st.bindText(param(C::ColGroups), job.groups());
        if (upload) {
            st.bindInteger(param(C::ColMaxsize), truncated(job.maxArticleSize()));
            st.bindText(param(C::ColServerid), job.serverID());
        }
        st.bindInteger(param(C::ColEmbnzb), job.hasEmbeddedNZB());
        st.bindInteger(param(C::ColIsnzb), DBSaveRestore::kindOf(job).toLongLong());
        break;
    }
    case C::FilepartRow: {
        const Queue& part = *r.filepart;
        st.bindText(param(C::ColIdentifier), part.fid());
        st.bindText(param(C::ColTitle), part.filename());
        st.bindInteger(param(C::ColStatus), part.status());
        st.bindInteger(param(C::ColPaused), part.checkbox());
        st.bindInteger(param(C::ColBytes), truncated(part.bytes()));
        st.bindInteger(param(C::ColIspar), part.ispar());
        st.bindInteger(param(C::ColIsmainpar), part.ismainpar());
        st.bindInteger(param(C::ColIssample), part.isSampleFile());
        st.bindInteger(param(C::ColTotsegments), part.totalSegments());
        if (job.isUploadObject() && !part.fileUrl().isEmpty()) st.bindText(param(C::ColPath), part.fileUrl());
        st.bindInteger(param(C::ColRestorepoint), r.owner);
        break;
    }
    case C::ArticleRow: {
        const Segment& seg = *r.segment;
        if (seg.segnr() == 1) {
            if (job.makeNZB()) st.bindText(param(C::ColIdentifier), seg.filename());
            st.bindText(param(C::ColPath), job.poster());
        }
        st.bindText(param(C::ColTitle), seg.mid());
        st.bindInteger(param(C::ColStatus), seg.status());
        st.bindInteger(param(C::ColBytes), truncated(seg.bytes()));
        if (job.isUploadObject()) st.bindInteger(param(C::ColIssample), seg.segnr());
        st.bindInteger(param(C::ColRestorepoint), r.owner);
        break;
    }
    }
}

} // namespace

DBSaveRestore::DBSaveRestore() : DBStore(storeDefinition())
{
    startDB();
}

QString DBSaveRestore::kindOf(const Queue& job)
{
    return job.isNZB() ? QStringLiteral("1") : job.isWatchdog() ? QStringLiteral("2") : QStringLiteral("0");
}

QList<QStringList> DBSaveRestore::loadQueue()
{
    return dbQuery(QStringLiteral("SELECT * FROM queue ORDER BY ID;"));
}

bool DBSaveRestore::saveQueue(const QList<RowSource>& rows)
{
    DBTableWrite w;
    w.table = QStringLiteral("queue");
    w.statement = kInsert;
    w.rowCount = rows.size();
    w.bindRow = [&rows](DBStatement& st, qsizetype row) {
        const RowSource& r = rows[row];
        if (!r.job || (r.type == FilepartRow && !r.filepart) || (r.type == ArticleRow && !r.segment))
            return false;
        bindRow(st, r);
        return true;
    };
    return writeTable(w, WriteMode::Replace);
}

bool DBSaveRestore::clearDatabase()
{
    return clearTables({QStringLiteral("queue")});
}
