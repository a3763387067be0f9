// Judging a tool's whole output: par2 prints a progress line per per-mille
// of every phase, so a large set gives megabytes. Time of the PAR2 result
// table (11 rows, the output folded once) on 5 MB of such output that
// matches only the last row, against folding per row.
#include "core/WildcardPattern.h"
#include "postprocess/FileRepair.h"

#include <chrono>
#include <cstdio>

int main()
{
    QString output;
    output.reserve(5'300'000);
    for (int i = 0; output.size() < 5'000'000; ++i)
        output +=
            QString::asprintf("Scanning: \"file%04d.bin\": %d.%d%%\r", i % 1000, (i / 10) % 100, i % 10);
    output += QStringLiteral("\nRepair is not possible.\n");

    auto time = [](auto&& fn) {
        const auto start = std::chrono::steady_clock::now();
        fn();
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    };
    const ToolOutputTable& table = FileRepair::resultTable();
    const ToolOutputTable::Row* row = nullptr;
    double best = 1e9;
    for (int r = 0; r < 5; ++r)
        best = std::min(best, time([&] { row = table.firstMatch(output); }));
    std::printf("PAR2 table, %.1f MB of output, folded once: %.1f ms (row: %s)\n", output.size() / 1e6, best,
                row ? qPrintable(row->comment) : "none");

    double perRow = 1e9;
    for (int r = 0; r < 3; ++r)
        perRow = std::min(perRow, time([&] {
                              for (const ToolOutputTable::Row& rr : table.rows())
                                  if (WildcardPattern::matches(rr.pattern, output)) break;
                          }));
    std::printf("PAR2 table, folded for every row: %.1f ms\n", perRow);
    return 0;
}
