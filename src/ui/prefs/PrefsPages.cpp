#include "ui/prefs/PrefsPages.h"

#include "ui/prefs/PrefsDeepLookupVC.h"
#include "ui/prefs/PrefsDownloadsVC.h"
#include "ui/prefs/PrefsInterfaceVC.h"
#include "ui/prefs/PrefsServersVC.h"
#include "ui/prefs/PrefsStatisticsVC.h"
#include "ui/prefs/PrefsUpdatesVC.h"
#include "ui/prefs/PrefsUploadsVC.h"

namespace PrefsPages {

const std::array<Entry, kCount>& entries()
{
    static const std::array<Entry, kCount> table{{
        {kNewsServers, "NewsServers", &make<PrefsServersVC>},
        {kDownload, "Download", &make<PrefsDownloadsVC>},
        {kPost, "Post", &make<PrefsUploadsVC>},
        {kStatistics, "Statistics", &make<PrefsStatisticsVC>},
        {kInterface, "Interface", &make<PrefsInterfaceVC>},
        {kDeepLookup, "DeepLookup", &make<PrefsDeepLookupVC>},
        {kUpdates, "Updates", &make<PrefsUpdatesVC>},
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
