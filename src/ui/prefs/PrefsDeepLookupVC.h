#pragma once

#include "ui/prefs/PrefsContext.h"
#include "ui/prefs/PrefsPage.h"

#include <QWidget>

class PrefsSubPages;

// The DeepLookup page of the settings window: how search results are shown,
// the download history (kept, limited, deleted) and what results are left
// out. Row-hover changes reach open search pages at once.
class PrefsDeepLookupVC : public PrefsPage
{
    Q_OBJECT
public:
    explicit PrefsDeepLookupVC(const PrefsContext& context, QWidget* parent = nullptr);

    PrefsSubPages* subPages() const { return subPages_; }

    // Asks, then empties the download history in memory and in its store.
    void deleteDownloadHistory();

protected:
    void hideEvent(QHideEvent* e) override;

private:
    QWidget* makeInterfaceView();
    QWidget* makeHistoryView();
    QWidget* makeOtherView();
    void checkboxDownloadHistoryChanged();

    PrefsContext context_;
    PrefsSubPages* subPages_;
};
