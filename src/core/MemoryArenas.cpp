#include "core/MemoryArenas.h"

#include <malloc.h>

void MemoryArenas::limit()
{
    mallopt(M_ARENA_MAX, kArenas);
    mallopt(M_MMAP_THRESHOLD, kMapThreshold);
    mallopt(M_TRIM_THRESHOLD, kTrimThreshold);
}
