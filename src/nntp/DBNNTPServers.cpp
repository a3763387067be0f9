#include "nntp/DBNNTPServers.h"

#include "core/Logger.h"
#include "nntp/SSKeychain.h"
#include "nntp/StringCodingUtils.h"

#include <QRandomGenerator>

#include <algorithm>

#include <sqlite3.h>

namespace {

const char* const kCreateServers =
    "CREATE TABLE IF NOT EXISTS servers (ID INTEGER PRIMARY KEY, serverID TEXT, upServerID TEXT,username "
    "TEXT,address TEXT,alias TEXT,ssl INTEGER,port INTEGER,connections INTEGER,isbackup INTEGER,enabled "
    "INTEGER,requiresLogin INTEGER,color TEXT,showstats INTEGER,upenabled INTEGER,sameasdownload "
    "INTEGER,upusername TEXT,upaddress TEXT,upssl INTEGER,upport INTEGER,uprequireslogin INTEGER, secret "
    "TEXT, "
    "upsecret TEXT)";

const char* const kInsertServer =
    "INSERT INTO servers (serverID, upServerID, username, address, alias, ssl, port, connections, isbackup, "
    "enabled, requiresLogin, color, showstats, upenabled, sameasdownload, upusername, upaddress, upssl, "
    "upport, uprequireslogin, secret, upsecret) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
    "?, ?, ?, ?, ?)";

DBStoreDefinition makeDefinition()
{
    DBStoreDefinition d;
    d.className = QStringLiteral("DBNNTPServers");
    d.storeName = QStringLiteral("NNTPservers");
    d.description = QStringLiteral("The news server list");
    d.databaseFilename = QStringLiteral("nntpservers.db");
    d.dbversion = DBNNTPServers::kVersion;
    d.versionRule = DBStoreDefinition::VersionRule::Convert;
    d.tables.append({QString::fromLatin1(kCreateServers),
                     QStringLiteral("Failed to create servers table in NNTPservers database.")});
    d.notFoundText = QStringLiteral("NNTPservers database not found. Creating a new one.");
    d.infoFailedText = QStringLiteral("(2) Failed to create dbinfo table in NNTPservers database.");
    d.incompatibleText = QStringLiteral("News server database is not compatible with app version.");
    return d;
}

bool isTrue(const QString& column)
{
    return column.toLongLong() != 0;
}

// The stored text of a password: "" for none, else its encryption.
std::optional<QString> storedPassword(const QString& password, const QString& serverID)
{
    if (password.isEmpty()) return QString::fromLatin1("");
    return StringCodingUtils::encryptString(password, serverID);
}

// A stored text that does not decrypt reads back as no password.
QString readPassword(const QString& stored, const QString& serverID)
{
    if (stored.isEmpty()) return QString();
    return StringCodingUtils::decryptString(stored, serverID).value_or(QString());
}

QString component(double value)
{
    // QString::number ignores every locale, so the file reads the same
    // wherever it was written.
    return QString::number(value, 'f', 3);
}

} // namespace

// Column numbers are those of version 101; `shift` is added from column 2 on.
struct DBNNTPServers::Layout
{
    int upServerID; // -1: none stored, a new one is drawn
    int shift;
    int secret; // -1: the passwords are in the keychain
    int upsecret;

    int at(int v101Column) const { return v101Column >= 2 ? v101Column + shift : v101Column; }
};

namespace {
constexpr int kColID = 0, kColServerID = 1, kColUsername = 2, kColAddress = 3, kColAlias = 4, kColSsl = 5,
              kColPort = 6, kColConnections = 7, kColIsbackup = 8, kColEnabled = 9, kColRequiresLogin = 10,
              kColColor = 11, kColShowstats = 12, kColUpenabled = 13, kColSameasdownload = 14,
              kColUpusername = 15, kColUpaddress = 16, kColUpssl = 17, kColUpport = 18,
              kColUprequireslogin = 19;
} // namespace

DBNNTPServers::DBNNTPServers(const SSKeychain& keychain)
    : DBStore(makeDefinition()), keychain_(keychain), serviceName_(QStringLiteral("Binorama"))
{}

DBNNTPServers::DBNNTPServers() : DBNNTPServers(SSKeychain::none())
{}

void DBNNTPServers::rowWillBeWritten(qsizetype)
{}

QString DBNNTPServers::convertColorToString(const QColor& color)
{
    if (!color.isValid()) return QStringLiteral("0.000 0.000 0.000 1.000");
    const QColor rgb = color.toRgb();
    return component(rgb.redF()) + QLatin1Char(' ') + component(rgb.greenF()) + QLatin1Char(' ') +
           component(rgb.blueF()) + QLatin1Char(' ') + component(rgb.alphaF());
}

QColor DBNNTPServers::convertStringToColor(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    double values[4] = {0.0, 0.0, 0.0, 1.0};
    for (int i = 0; i < 4 && i < parts.size(); ++i)
        values[i] = std::clamp(parts[i].toDouble(), 0.0, 1.0); // locale-independent, 0 when unreadable
    return QColor::fromRgbF(float(values[0]), float(values[1]), float(values[2]), float(values[3]));
}

QColor DBNNTPServers::createRandomColor()
{
    QRandomGenerator* random = QRandomGenerator::global();
    const double hue = random->bounded(256) / 256.0;
    const double saturation = 0.5 + random->bounded(128) / 256.0;
    const double brightness = 0.5 + random->bounded(128) / 256.0;
    return QColor::fromHsvF(float(hue), float(saturation), float(brightness), 1.0f);
}

QString DBNNTPServers::loadKeyChainForServerID(const QString& account) const
{
    return keychain_.passwordForService(serviceName_, account).value_or(QString::fromLatin1(""));
}

bool DBNNTPServers::saveAllNNTPServers(const QList<NNTPServerObjectPtr>& servers)
{
    // Every row is made before the file is touched, so a password that
    // cannot be stored leaves the old list in place.
    QList<QVariantList> rows;
    rows.reserve(servers.size());
    for (const NNTPServerObjectPtr& server : servers) {
        const QString serverID = server->serverID();
        const int port = server->port();
        const bool same = server->uploadIsDownloadServer();
        QString upUsername = server->upUsername();
        QString upPassword = server->upPassword();
        QString upAddress = server->upAddress();
        int upPort = server->upPort();
        bool upSSL = server->upSSL();
        bool upRequiresLogin = server->upRequiresLogin();
        if (same) {
            upUsername = server->username();
            upPassword.clear();
            upAddress = server->address();
            upPort = NNTPServerObject::uploadPortForDownloadPort(port);
            upSSL = NNTPServerObject::uploadSSLForDownloadEndpoint(port, server->ssl());
            upRequiresLogin = server->requiresLogin();
        }
        const std::optional<QString> secret = storedPassword(server->password(), serverID);
        const std::optional<QString> upsecret = storedPassword(upPassword, serverID);
        if (!secret || !upsecret) {
            BLOG(3,
                 "Unable to store the password of news server %@: a password may hold only characters of "
                 "ISO Latin-1. The news servers were not saved.",
                 server->alias());
            return false;
        }
        rows.append(QVariantList{serverID,
                                 server->upServerID(),
                                 server->username(),
                                 server->address(),
                                 server->alias(),
                                 qint64(server->ssl()),
                                 qint64(port),
                                 qint64(server->maxConnections()),
                                 qint64(server->isbackupServerOnly()),
                                 qint64(server->enabled()),
                                 qint64(server->requiresLogin()),
                                 convertColorToString(server->color()),
                                 qint64(server->showStats()),
                                 qint64(server->upEnabled()),
                                 qint64(same),
                                 upUsername,
                                 upAddress,
                                 qint64(upSSL),
                                 qint64(upPort),
                                 qint64(upRequiresLogin),
                                 *secret,
                                 *upsecret});
    }
    if (!writeServers(rows)) return false;
    optimizeDatabase();
    return true;
}

bool DBNNTPServers::writeServers(const QList<QVariantList>& rows)
{
    startDB();
    if (!openDatabase(databasePath())) {
        BLOG(3, "%@", definition().openFailedText);
        return false;
    }
    struct Closer
    {
        DBNNTPServers* store;
        ~Closer() { store->closeDatabase(); }
    } closer{this};
    const auto fail = [this] {
        if (db() && !sqlite3_get_autocommit(db())) execute(QStringLiteral("ROLLBACK"));
        return false;
    };

    // The table is made anew inside the transaction: a store of an older
    // layout is replaced by the current one, and a failure anywhere rolls
    // back to the file as it was.
    if (!execute(QStringLiteral("BEGIN IMMEDIATE TRANSACTION"))) return false;
    if (!execute(QStringLiteral("DROP TABLE IF EXISTS servers")) ||
        !execute(QString::fromLatin1(kCreateServers)) ||
        !execute(QStringLiteral("CREATE TABLE IF NOT EXISTS dbinfo (version INTEGER)")) ||
        !execute(QStringLiteral("DELETE FROM dbinfo")) ||
        !execute(sformat(u"INSERT INTO dbinfo (version) VALUES (%ld);", kVersion)))
        return fail();

    DBStatement st(db(), QString::fromLatin1(kInsertServer));
    if (!st.isValid()) {
        BLOG(3, "%@ :: %@", st.errorMessage(), QString::fromLatin1(kInsertServer));
        return fail();
    }
    for (qsizetype i = 0; i < rows.size(); ++i) {
        rowWillBeWritten(i);
        const QVariantList& values = rows[i];
        for (int c = 0; c < values.size(); ++c) {
            if (values[c].typeId() == QMetaType::QString)
                st.bindText(c + 1, values[c].toString());
            else
                st.bindInteger(c + 1, values[c].toLongLong());
        }
        if (st.step() != SQLITE_DONE) {
            BLOG(3, "Commit Failed!");
            BLOG(3, "%@ (row %ld of %ld in servers)", st.errorMessage(), long(i + 1), long(rows.size()));
            return fail();
        }
        st.clearAndReset();
    }
    if (!execute(QStringLiteral("COMMIT"))) return fail();
    return true;
}

QList<NNTPServerObjectPtr> DBNNTPServers::loadAllNNTPServers()
{
    checkVersion();
    return loadObjects<NNTPServerObjectPtr>(QStringLiteral("SELECT * FROM servers ORDER BY ID;"),
                                            [this](const QStringList& row) { return dbToNNTP(row); });
}

std::optional<NNTPServerObjectPtr> DBNNTPServers::dbToNNTP(const QStringList& row) const
{
    if (!rowHasColumns(row, kColumns)) return std::nullopt;
    return serverFromRow(row, Layout{2, 1, 21, 22});
}

NNTPServerObjectPtr DBNNTPServers::serverFromRow(const QStringList& row, const Layout& layout) const
{
    auto s = NNTPServerObject::create();
    const auto text = [&](int v101Column) { return row.value(layout.at(v101Column)); };
    const QString serverID = row.value(kColServerID);
    s->setRow(row.value(kColID).toLongLong());
    s->setServerID(serverID);
    if (layout.upServerID >= 0) s->setUpServerID(row.value(layout.upServerID));
    s->setUsername(text(kColUsername));
    s->setAddress(text(kColAddress));
    s->setAlias(text(kColAlias));
    s->setSsl(isTrue(text(kColSsl)));
    s->setPort(text(kColPort).toInt());
    s->setMaxConnections(text(kColConnections).toLongLong());
    s->setIsbackupServerOnly(isTrue(text(kColIsbackup)));
    s->setEnabled(isTrue(text(kColEnabled)));
    s->setRequiresLogin(isTrue(text(kColRequiresLogin)));
    const QString color = text(kColColor);
    s->setColor(color.isEmpty() ? createRandomColor() : convertStringToColor(color));
    s->setShowStats(text(kColShowstats).toLongLong());
    s->setUpEnabled(isTrue(text(kColUpenabled)));
    const bool same = isTrue(text(kColSameasdownload));
    s->setUploadIsDownloadServer(same);
    s->setUpUsername(text(kColUpusername));
    s->setUpAddress(text(kColUpaddress));
    s->setUpSSL(isTrue(text(kColUpssl)));
    s->setUpPort(text(kColUpport).toInt());
    s->setUpRequiresLogin(isTrue(text(kColUprequireslogin)));

    QString password;
    QString upPassword;
    if (layout.secret < 0) {
        password = loadKeyChainForServerID(serverID);
        if (!same) upPassword = loadKeyChainForServerID(QStringLiteral("up") + serverID);
    } else {
        password = readPassword(row.value(layout.secret), serverID);
        if (!same) upPassword = readPassword(row.value(layout.upsecret), serverID);
    }
    s->setPassword(password);
    s->setUpPassword(same ? password : upPassword);
    return s;
}

bool DBNNTPServers::convertDBFromVersion(long oldVersion)
{
    if (oldVersion == 100) return convertDBFromVersion100();
    if (oldVersion == 101) return convertDBFromVersion101();
    return false;
}

bool DBNNTPServers::convertDBFromVersion100()
{
    return convertRows(20, Layout{-1, 0, -1, -1});
}

bool DBNNTPServers::convertDBFromVersion101()
{
    return convertRows(22, Layout{-1, 0, 20, 21});
}

bool DBNNTPServers::convertRows(int columns, const Layout& layout)
{
    bool complete = true;
    QList<NNTPServerObjectPtr> servers;
    const bool read =
        dbQuery(QStringLiteral("SELECT * FROM servers ORDER BY ID"), [&](const QStringList& row) {
            if (row.size() != columns) {
                BLOG(3, "NNTPServers database record is not compatible with app version.");
                complete = false;
            } else {
                servers.append(serverFromRow(row, layout));
            }
            return true;
        });
    // Without its rows the old file is kept as it is: nothing is lost by
    // trying again at the next start.
    if (!read) return false;
    return saveAllNNTPServers(servers) && complete;
}

NNTPServerListChanges DBNNTPServers::compareOldNNTPServersArray(const QList<NNTPServerObjectPtr>& oldList,
                                                                const QList<NNTPServerObjectPtr>& newList)
{
    NNTPServerListChanges changes;
    if (newList.isEmpty() || newList.size() != oldList.size()) {
        changes.server = true;
        return changes;
    }
    for (qsizetype i = 0; i < newList.size(); ++i) {
        const NNTPServerObject& n = *newList[i];
        const NNTPServerObject& o = *oldList[i];
        const bool differs =
            n.serverID() != o.serverID() || n.username() != o.username() || n.password() != o.password() ||
            n.address() != o.address() || n.alias() != o.alias() || n.ssl() != o.ssl() ||
            n.port() != o.port() || n.maxConnections() != o.maxConnections() ||
            n.isbackupServerOnly() != o.isbackupServerOnly() || n.enabled() != o.enabled() ||
            n.requiresLogin() != o.requiresLogin() || n.upEnabled() != o.upEnabled() ||
            n.uploadIsDownloadServer() != o.uploadIsDownloadServer() || n.upUsername() != o.upUsername() ||
            n.upPassword() != o.upPassword() || n.upAddress() != o.upAddress() || n.upSSL() != o.upSSL() ||
            n.upPort() != o.upPort() || n.upRequiresLogin() != o.upRequiresLogin();
        if (!changes.color && convertColorToString(n.color()) != convertColorToString(o.color()))
            changes.color = true;
        if (differs) {
            changes.server = true;
            return changes;
        }
    }
    return changes;
}
