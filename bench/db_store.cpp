// Save and restore through the store skeleton: 100k rows of 18 texts and
// numbers (about the shape of save-state segments) written as one replace,
// read back, and the VACUUM that follows a replace.
#include "core/DBStore.h"

#include "support/TempHome.h"

#include <QFileInfo>

#include <chrono>
#include <cstdio>

namespace {

class BenchStore : public DBStore
{
public:
    BenchStore() : DBStore(definition()) { startDB(); }
    static DBStoreDefinition definition()
    {
        DBStoreDefinition d;
        d.className = QStringLiteral("BenchStore");
        d.storeName = QStringLiteral("Bench");
        d.databaseFilename = QStringLiteral("bench.db");
        QString columns;
        for (int i = 0; i < 18; ++i)
            columns += QStringLiteral(", c%1").arg(i);
        d.tables.append(
            {QStringLiteral("CREATE TABLE IF NOT EXISTS rows (ID INTEGER PRIMARY KEY") + columns + ")",
             QString()});
        return d;
    }
};

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main()
{
    TempHome home;
    BenchStore store;
    QString names, marks;
    for (int i = 0; i < 18; ++i) {
        names += (i ? "," : "") + QStringLiteral("c%1").arg(i);
        marks += i ? ",?" : "?";
    }
    const QString insert = QStringLiteral("INSERT INTO rows (") + names + ") VALUES (" + marks + ")";
    for (const int count : {10000, 100000}) {
        DBTableWrite w;
        w.table = QStringLiteral("rows");
        w.statement = insert;
        w.rowCount = count;
        w.bindRow = [](DBStatement& st, qsizetype row) {
            for (int c = 0; c < 18; ++c) {
                if (c % 3 == 0)
                    st.bindInteger(c + 1, row * 18 + c);
                else
                    st.bindText(c + 1, QStringLiteral("<part%1.segment%2@news.example>").arg(row).arg(c));
            }
            return true;
        };
        auto t = std::chrono::steady_clock::now();
        const bool ok = store.writeTable(w, DBStore::WriteMode::Replace);
        const double write = secondsSince(t);
        t = std::chrono::steady_clock::now();
        const qsizetype read = store.dbQuery(QStringLiteral("SELECT * FROM rows")).size();
        const double readTime = secondsSince(t);
        t = std::chrono::steady_clock::now();
        store.optimizeDatabase();
        const double vacuum = secondsSince(t);
        std::printf("%6d rows: replace+vacuum %.3f s (%s), read %lld rows %.3f s, vacuum alone %.3f s, file "
                    "%.1f MB\n",
                    count, write, ok ? "ok" : "FAILED", static_cast<long long>(read), readTime, vacuum,
                    double(QFileInfo(store.databasePath()).size()) / 1e6);
    }
    return 0;
}
