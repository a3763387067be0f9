#pragma once

#include <QFont>

// The statistics page draws its labels in "Arial"; where that family is not
// installed the application's default family takes its place at the same
// size, so letters never fall back to boxes or an odd substitute.
class StatsFont
{
public:
    // `pixels`: the size in device-independent pixels (the page's points).
    static QFont arial(int pixels);
};
