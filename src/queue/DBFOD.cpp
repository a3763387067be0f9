#include "queue/DBFOD.h"

#include "core/FileUtils.h"
#include "core/Logger.h"
#include "core/StringFormat.h"
#include "core/Utils.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QFileInfo>

#include <cmath>

namespace {

const QString kCreateFiles = QStringLiteral(
    "CREATE TABLE IF NOT EXISTS files (ID INTEGER PRIMARY KEY, qid TEXT, fid TEXT, fileID TEXT, filename "
    "TEXT, "
    "orgfilename TEXT, md516k TEXT, md5 TEXT, setid TEXT, folder TEXT, crc32checked INTEGER, totalBlocks "
    "INTEGER, availableBlocks INTEGER, par INTEGER, bytes INTEGER)");
const QString kInsert = QStringLiteral(
    "INSERT INTO files (qid,fid,fileID,filename,orgfilename,md516k,md5,setid,folder,crc32checked,totalBlocks,"
    "availableBlocks,par,bytes) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
constexpr int kColumns = 15;

QString cleanFolder(const QString& folder)
{
    return folder.isEmpty() ? QString() : QDir::cleanPath(folder);
}

DBStoreDefinition definitionFor(const QString& folder)
{
    const QString path = cleanFolder(folder) + QLatin1Char('/') + DBFOD::fileNameForApp();
    DBStoreDefinition def;
    def.className = QStringLiteral("DBFOD");
    def.storeName = QStringLiteral("FOD");
    def.description = sformat(u"The index of the files downloaded to %@", cleanFolder(folder));
    def.databaseFilename = DBFOD::fileNameForApp();
    def.dbversion = 100;
    def.tables = {{kCreateFiles, sformat(u"(1) Failed to create FOD database :: %@", path)}};
    def.versionRule = DBStoreDefinition::VersionRule::None;
    def.openFailedText = sformat(u"Failed to open/create FOD database :: %@", path);
    def.infoFailedText = sformat(u"(2) Failed to create FOD database :: %@", path);
    def.incompatibleText = QStringLiteral("FOD database is not compatible with app version.");
    return def;
}

// Absent text is stored as NULL, present text (also empty) as text.
void bindOptionalText(DBStatement& st, int index, const QString& text)
{
    if (text.isNull())
        st.bindNull(index);
    else
        st.bindText(index, text);
}

// Read back, NULL and empty are both the empty (not absent) string.
QString present(const QString& text)
{
    return text.isNull() ? QStringLiteral("") : text;
}

} // namespace

DBFOD::DBFOD(const QString& folder) : DBStore(definitionFor(folder)), monitoringFolder_(cleanFolder(folder))
{
    if (folderExists()) startDB();
}

QString DBFOD::fileNameForApp()
{
    const QString app = UserDefaults::standard().stringForKey(QStringLiteral("appName")).toLower();
    return sformat(u".donotremove.%@.db", FileUtils::makeUTF8Filename(app));
}

QString DBFOD::databaseFolder() const
{
    return monitoringFolder_;
}

bool DBFOD::folderExists() const
{
    return !monitoringFolder_.isEmpty() && QFileInfo(monitoringFolder_).isDir();
}

QString DBFOD::encodeFolder(const QString& folder, const QString& downloadFolder)
{
    if (folder.isEmpty()) return folder;
    const QString f = QDir::cleanPath(folder);
    const QString root = QDir::cleanPath(downloadFolder);
    if (f == root) return QStringLiteral("");
    const QString below = root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/');
    if (!root.isEmpty() && f.startsWith(below)) return f.mid(below.size() - 1);
    return QLatin1Char('/') + f;
}

QString DBFOD::decodeFolder(const QString& stored, const QString& downloadFolder)
{
    if (stored.isEmpty()) return QDir::cleanPath(downloadFolder);
    if (stored.startsWith(QLatin1String("//"))) return QDir::cleanPath(stored.mid(1));
    if (stored.startsWith(QLatin1Char('/'))) return QDir::cleanPath(downloadFolder + stored);
    return QDir::cleanPath(downloadFolder + QLatin1Char('/') + stored);
}

QList<FODObjectPtr> DBFOD::loadall()
{
    if (!folderExists()) return {};
    return loadObjects<FODObjectPtr>(QStringLiteral("SELECT * FROM files;"),
                                     [this](const QStringList& row) { return dbToObj(row); });
}

std::optional<FODObjectPtr> DBFOD::dbToObj(const QStringList& row) const
{
    if (!rowHasColumns(row, kColumns)) return std::nullopt;
    FODObjectPtr fod = FODObject::create();
    const QString qid = row[1];
    fod->setQid(qid.isEmpty() ? QString() : qid);
    fod->setFid(present(row[2]));
    fod->setFileID(present(row[3]));
    fod->setFilename(present(row[4]));
    fod->setOrgFilename(present(row[5]));
    fod->setMd516k(present(row[6]));
    fod->setMd5(present(row[7]));
    fod->setSetID(present(row[8]));
    fod->setFolder(decodeFolder(row[9], monitoringFolder_));
    fod->setCrc32checked(row[10].toLongLong() != 0);
    fod->setTotalBlocks(row[11].toLongLong());
    fod->setAvailableBlocks(row[12].toLongLong());
    fod->setIsPar(row[13].toLongLong() != 0);
    fod->setBytes(row[14].toDouble());
    return fod;
}

bool DBFOD::saveall(const QList<FODObjectPtr>& records)
{
    if (records.isEmpty()) return deleteDatabaseFile();
    return writeFODToDB(records);
}

bool DBFOD::clearDatabase()
{
    if (!folderExists()) return false;
    return clearTables({QStringLiteral("files")});
}

bool DBFOD::writeFODToDB(const QList<FODObjectPtr>& records)
{
    if (!folderExists()) return false;
    DBTableWrite write;
    write.table = QStringLiteral("files");
    write.statement = kInsert;
    write.rowCount = records.size();
    const QString root = monitoringFolder_;
    write.bindRow = [&records, &root](DBStatement& st, qsizetype row) {
        const FODObjectPtr& fod = records[row];
        if (!fod) return false;
        bindOptionalText(st, 1, fod->qid());
        bindOptionalText(st, 2, fod->fid());
        bindOptionalText(st, 3, fod->fileID());
        bindOptionalText(st, 4, fod->filename());
        bindOptionalText(st, 5, fod->orgFilename());
        bindOptionalText(st, 6, fod->md516k());
        bindOptionalText(st, 7, fod->md5());
        bindOptionalText(st, 8, fod->setID());
        bindOptionalText(st, 9, encodeFolder(fod->folder(), root));
        st.bindInteger(10, fod->crc32checked() ? 1 : 0);
        st.bindInteger(11, fod->totalBlocks());
        st.bindInteger(12, fod->availableBlocks());
        st.bindInteger(13, fod->isPar() ? 1 : 0);
        st.bindInteger(14, Utils::clampToInt64(std::trunc(fod->bytes())));
        return true;
    };
    // Emptying and filling the table is one transaction: a failure at any
    // row leaves the previous index in place.
    return writeTable(write, WriteMode::Replace);
}

bool DBFOD::deleteDatabaseFile()
{
    const QString path =
        databasePath().isEmpty() ? monitoringFolder_ + QLatin1Char('/') + databaseFilename() : databasePath();
    const QFileInfo info(path);
    if (!info.exists() || info.isDir()) return true;
    return deleteDBFromDisk();
}
