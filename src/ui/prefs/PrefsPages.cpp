#include "ui/prefs/PrefsPages.h"

#include "ui/prefs/PrefsServersVC.h"

namespace PrefsPages {

// Pages 2 to 7 (PrefsDownloadsVC, PrefsUploadsVC, PrefsStatisticsVC,
// PrefsInterfaceVC, PrefsDeepLookupVC, PrefsUpdatesVC) plug in here with
// make<Class> once they exist.
const std::array<Entry, kCount>& entries()
{
    static const std::array<Entry, kCount> table{{
        {kNewsServers, "NewsServers", &make<PrefsServersVC>},
        {kDownload, "Download", nullptr},
        {kPost, "Post", nullptr},
        {kStatistics, "Statistics", nullptr},
        {kInterface, "Interface", nullptr},
        {kDeepLookup, "DeepLookup", nullptr},
        {kUpdates, "Updates", nullptr},
    }};
    return table;
}

const Entry* entryFor(int number)
{
    for (const Entry& entry : entries())
        if (entry.number == number) return &entry;
    return nullptr;
}

} // namespace PrefsPages
