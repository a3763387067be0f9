#include "support/ProcessMemory.h"

#include <QByteArray>
#include <QFile>
#include <QList>

#include <fstream>
#include <malloc.h>
#include <string>
#include <unistd.h>

long ProcessMemory::statusKiB(const char* field)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::string(field).size()));
    }
    return -1;
}

void ProcessMemory::resetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

std::size_t ProcessMemory::heapInUse()
{
    malloc_trim(0);
    return mallinfo2().uordblks;
}

std::size_t ProcessMemory::residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toULongLong() * std::size_t(sysconf(_SC_PAGESIZE)) : 0;
}
