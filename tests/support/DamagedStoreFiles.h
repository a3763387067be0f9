#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <ostream>

// Contents of a store file that cannot be used, as they are met on users'
// disks: made fresh for each test, in a scratch folder of its own.
struct DamagedStoreContent
{
    const char* name;
    std::function<QByteArray(const QString& scratchFolder)> make;

    // Random bytes, a database cut short in the middle, an empty file, and
    // a readable database of another program.
    static DamagedStoreContent randomBytes();
    static DamagedStoreContent cutShort();
    static DamagedStoreContent empty();
    static DamagedStoreContent anotherProgramsDatabase();
};

inline void PrintTo(const DamagedStoreContent& c, std::ostream* os)
{
    *os << c.name;
}
