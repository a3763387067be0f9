#pragma once

#include "ui/search/panes/SearchPaneWindow.h"

#include <QPointer>

class QPushButton;
class SearchHistoryController;
class TVLTextField;

// The new-map window: the user names a new bookmark map. Submitting makes
// the map in the history controller and ends the run with the map's id; a
// cancel ends it with -1, also when an earlier run of the same window made a
// map. An empty name is refused with a message and the window stays open.
//
// The bookmarks pane runs it with runModal(); the two bookmark windows run
// it with runAsSheet() on themselves.
class SearchAddMapWC : public SearchPaneWindow
{
    Q_OBJECT
public:
    SearchAddMapWC(SearchHistoryController* historyController, QWidget* parent = nullptr);

    // The map the last run made; -1 for none.
    qint64 newMapId() const { return responseCode(); }

    TVLTextField* sfNewMap() const { return sfNewMap_; }
    QPushButton* btnSubmit() const { return btnSubmit_; }
    QPushButton* btnCancel() const { return btnCancel_; }

    void btnSubmitNewMap();
    void btnCancelCreateMapSheet();

protected:
    void windowDidLoad() override;
    void windowWillEnd() override;

private:
    void saveNewMapToDatabase(const QString& name);

    QPointer<SearchHistoryController> historyController_;
    TVLTextField* sfNewMap_;
    QPushButton* btnSubmit_;
    QPushButton* btnCancel_;
};
