#pragma once

#include "ui/prefs/PrefsContext.h"

#include <QString>

#include <array>

class QWidget;

// The pages of the settings window, by number: the number is the page
// button's tag and the value remembered under "lastUsedPrefView".
namespace PrefsPages {

inline constexpr int kNewsServers = 1;
inline constexpr int kDownload = 2;
inline constexpr int kPost = 3;
inline constexpr int kStatistics = 4;
inline constexpr int kInterface = 5;
inline constexpr int kDeepLookup = 6;
inline constexpr int kUpdates = 7;
inline constexpr int kCount = 7;
// Accepted on entry only: the Download page on its advanced sub-page.
inline constexpr int kDownloadAdvanced = 8;
inline constexpr int kDownloadAdvancedSubPage = 5;

// Makes a page for the window; every page is a QWidget built from the
// engine references and its parent.
using Maker = QWidget* (*)(const PrefsContext& context, QWidget* parent);

template <class Page>
QWidget* make(const PrefsContext& context, QWidget* parent)
{
    return new Page(context, parent);
}

struct Entry
{
    int number;
    // The title shown in the window's title bar and on the page button.
    const char* title;
    // Null while the page is not built: its button stays disabled.
    Maker maker;
};

// In button order, number 1 first.
const std::array<Entry, kCount>& entries();
// The entry of a page number of the table, or null.
const Entry* entryFor(int number);

} // namespace PrefsPages
