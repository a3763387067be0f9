#include "support/ProcessMemory.h"

#include <fstream>
#include <string>

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
