#pragma once

// How the C library's allocator keeps the memory the threads of this
// process free.
//
// By default a thread gets an arena of its own for as long as there are
// fewer than eight per processor, and an arena keeps what was freed in it
// for its own threads. Each connection receives its article bodies on a
// thread of its own and the decoding frees them on another: with twenty
// connections every arena ends up keeping a few bodies' worth of memory
// that no other thread may use, some 20 MiB in all above what is in use.
// A few arenas shared by all threads keep that memory for whichever thread
// asks next.
//
// Shared arenas are given back to the system more often, and every block
// given back is faulted in again when a body needs it, so the thresholds
// are set too: a body-sized block comes from an arena (not mapped and
// unmapped for each article), and an arena gives back what is free at its
// top only beyond a few bodies' worth.
class MemoryArenas
{
public:
    static constexpr int kArenas = 4;
    // Blocks this large or larger are mapped of their own and given back
    // when freed.
    static constexpr int kMapThreshold = 8 << 20;
    // Free memory an arena keeps at its top.
    static constexpr int kTrimThreshold = 8 << 20;

    // Applies the above; arenas made already stay. Call before the threads
    // start.
    static void limit();
};
