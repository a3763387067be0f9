#include "nntp/DBNewsgroups.h"

#include "core/Logger.h"

namespace {

DBStoreDefinition makeDefinition()
{
    DBStoreDefinition d;
    d.className = QStringLiteral("DBNewsgroups");
    d.storeName = QStringLiteral("Newsgroups");
    d.description = QStringLiteral("The newsgroup list");
    d.databaseFilename = QStringLiteral("newsgroups.db");
    d.dbversion = DBNewsgroups::kVersion;
    d.versionRule = DBStoreDefinition::VersionRule::Recreate;
    d.tables.append(
        {QStringLiteral("CREATE TABLE IF NOT EXISTS newsgroups (ID INTEGER PRIMARY KEY, groups TEXT, "
                        "articles INTEGER)"),
         QStringLiteral("(1) Failed to create Newsgroups database.")});
    d.tables.append(
        {QStringLiteral("CREATE TABLE IF NOT EXISTS favorites (ID INTEGER PRIMARY KEY, groups TEXT, "
                        "checked INTEGER)"),
         QStringLiteral("(1) Failed to create Newsgroups favorites database.")});
    return d;
}

} // namespace

DBNewsgroups::DBNewsgroups() : DBStore(makeDefinition())
{
    startDB();
}

std::optional<NewsgroupSelectorItem> DBNewsgroups::dbToObj(const QStringList& row) const
{
    if (row.size() != 3 && row.size() != 4) {
        BLOG(3, "%@", definition().incompatibleText);
        return std::nullopt;
    }
    const qint64 count = row[2].toLongLong();
    return NewsgroupSelectorItem{row[1], count, count != 0};
}

QList<NewsgroupSelectorItem> DBNewsgroups::loadAll()
{
    checkVersion();
    const QList<NewsgroupSelectorItem> items = loadObjects<NewsgroupSelectorItem>(
        QStringLiteral("SELECT * FROM newsgroups;"), [this](const QStringList& row) { return dbToObj(row); });
    BLOG(2, "Newsgroups list loaded from database :: %ld items", long(items.size()));
    return items;
}

QList<NewsgroupSelectorItem> DBNewsgroups::loadFavs()
{
    const QList<NewsgroupSelectorItem> items = loadObjects<NewsgroupSelectorItem>(
        QStringLiteral("SELECT * FROM favorites;"), [this](const QStringList& row) { return dbToObj(row); });
    BLOG(2, "Newsgroup favorites loaded from database :: %ld items", long(items.size()));
    return items;
}

bool DBNewsgroups::saveAll(const QList<NewsgroupSelectorItem>& items)
{
    const bool saved = writeNewsgroupsToDB(items);
    if (saved)
        BLOG(2, "Newsgroups list saved to database :: %ld items", long(items.size()));
    else
        BLOG(4, "Error saving Newsgroups list to database.");
    return saved;
}

bool DBNewsgroups::saveFavs(const QList<NewsgroupSelectorItem>& items)
{
    const bool saved = writeFavoritesToDB(items);
    if (saved)
        BLOG(2, "Newsgroup favorites saved to database :: %ld items", long(items.size()));
    else
        BLOG(4, "Error saving Newsgroup favorites to database.");
    return saved;
}

bool DBNewsgroups::clearDatabaseNewsgroups()
{
    return clearTables({QStringLiteral("newsgroups")});
}

bool DBNewsgroups::clearDatabaseFavorites()
{
    return clearTables({QStringLiteral("favorites")});
}

bool DBNewsgroups::writeNewsgroupsToDB(const QList<NewsgroupSelectorItem>& items)
{
    // The old rows go in the same transaction as the new ones come: the
    // table holds the old list or the new one, never a part of either.
    DBTableWrite write;
    write.table = QStringLiteral("newsgroups");
    write.statement = QStringLiteral("INSERT INTO newsgroups (groups,articles) VALUES (?,?)");
    write.rowCount = items.size();
    write.bindRow = [&items](DBStatement& st, qsizetype row) {
        st.bindText(1, items[row].newsgroup);
        st.bindInteger(2, items[row].articlecount);
        return true;
    };
    return writeTable(write, WriteMode::Replace);
}

bool DBNewsgroups::writeFavoritesToDB(const QList<NewsgroupSelectorItem>& items)
{
    DBTableWrite write;
    write.table = QStringLiteral("favorites");
    write.statement = QStringLiteral("INSERT INTO favorites (groups,checked) VALUES (?,?)");
    write.rowCount = items.size();
    write.bindRow = [&items](DBStatement& st, qsizetype row) {
        st.bindText(1, items[row].newsgroup);
        st.bindInteger(2, items[row].checkbox ? 1 : 0);
        return true;
    };
    return writeTable(write, WriteMode::Replace);
}
