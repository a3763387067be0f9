#pragma once

#include <cstddef>

// The memory figures of this process as Linux keeps them, for benchmarks and
// tests that measure what a piece of work costs.
class ProcessMemory
{
public:
    // A "Vm…:" field of /proc/self/status in KiB ("VmRSS:", "VmHWM:"); -1
    // when it cannot be read.
    static long statusKiB(const char* field);
    // Sets the peak (VmHWM) back to the present size, so that each piece of
    // work is measured on its own.
    static void resetPeak();
    // The bytes the heap holds in use, after giving free pages back.
    static std::size_t heapInUse();
    // The resident size, from /proc/self/statm; 0 when it cannot be read.
    static std::size_t residentBytes();
};
