#include "postprocess/DBCleanupItems.h"

#include "core/DBStatement.h"
#include "core/Logger.h"

#include <QFileInfo>

namespace {

DBStoreDefinition cleanupDefinition()
{
    DBStoreDefinition d;
    d.className = QStringLiteral("DBCleanupItems");
    d.storeName = QStringLiteral("Cleanup");
    d.description = QStringLiteral("The clean-up patterns");
    d.databaseFilename = QStringLiteral("cleanup.db");
    d.dbversion = 100;
    d.tables = {
        {QStringLiteral("CREATE TABLE IF NOT EXISTS fileitems (ID INTEGER PRIMARY KEY, state INTEGER, "
                        "item TEXT, INFO TEXT)"),
         QString()}};
    d.versionRule = DBStoreDefinition::VersionRule::None;
    d.incompatibleText = QStringLiteral("CleanupItems database is not compatible with app version.");
    return d;
}

} // namespace

DBCleanupItems::DBCleanupItems() : DBStore(cleanupDefinition())
{
    const QString folder = databaseFolder();
    const bool existed = !folder.isEmpty() && QFileInfo::exists(folder + QStringLiteral("/cleanup.db"));
    startDB();
    if (!existed && QFileInfo::exists(databasePath()))
        writeFileItemsToDB(createInitialItems(), WriteMode::Append);
}

QList<CleanupItem> DBCleanupItems::createInitialItems()
{
    return {
        {true, QStringLiteral("*.par2"), QStringLiteral("PAR2 repair files")},
        {false, QStringLiteral("*.nfo"), QStringLiteral("NFO files")},
        {true, QStringLiteral("*.nzb"), QStringLiteral("NZB files")},
        {true, QStringLiteral("*.url"), QStringLiteral("HTML links")},
        {true, QStringLiteral("*.log"), QStringLiteral("Log files")},
        {false, QStringLiteral("*.m3u"), QStringLiteral("Music playlists")},
        {false, QStringLiteral("*.png"), QStringLiteral("PNG images")},
        {true, QStringLiteral("*.gif"), QStringLiteral("GIF images")},
        {false, QStringLiteral("*.tif"), QStringLiteral("TIF images")},
        {true, QStringLiteral("*.sfv"), QStringLiteral("SFV files")},
        {true, QStringLiteral("*.srr"), QStringLiteral("SRR files")},
    };
}

QList<CleanupItem> DBCleanupItems::loadAll()
{
    const QList<CleanupItem> items =
        loadObjects<CleanupItem>(QStringLiteral("SELECT * FROM fileitems;"),
                                 [this](const QStringList& row) -> std::optional<CleanupItem> {
                                     if (!rowHasColumns(row, 4)) return std::nullopt;
                                     return CleanupItem(row[1].toLongLong() != 0, row[2], row[3]);
                                 });
    BLOG(2, "Cleanup items loaded from database :: %ld items", long(items.size()));
    return items;
}

bool DBCleanupItems::saveAll(const QList<CleanupItem>& items)
{
    const bool saved = writeFileItemsToDB(items, WriteMode::Replace);
    if (saved)
        BLOG(2, "Cleanup items saved to database :: %ld items", long(items.size()));
    else
        BLOG(4, "Error saving cleanup items to database.");
    return saved;
}

bool DBCleanupItems::writeFileItemsToDB(const QList<CleanupItem>& items, WriteMode mode)
{
    DBTableWrite write;
    write.table = QStringLiteral("fileitems");
    write.statement = QStringLiteral("INSERT INTO fileitems (state,item,info) VALUES (?,?,?)");
    write.rowCount = items.size();
    write.bindRow = [&items](DBStatement& st, qsizetype row) {
        const CleanupItem& item = items[row];
        st.bindInteger(1, item.checkbox ? 1 : 0);
        st.bindText(2, item.searchItem);
        st.bindText(3, item.info);
        return true;
    };
    return writeTable(write, mode);
}
