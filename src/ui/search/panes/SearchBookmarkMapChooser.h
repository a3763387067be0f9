#pragma once

#include <QPointer>
#include <QWidget>

#include <optional>

class QComboBox;
class QPushButton;
class SearchAddMapWC;
class SearchHistoryController;

// The map row of the two bookmark windows: a pop-up of the bookmark maps in
// list order and a button that makes a new map in the new-map window, run
// as a sheet on this row's window. The pop-up follows the controller's map
// list and keeps the chosen map when the list changes; a new map made in
// the sheet becomes the chosen one.
class SearchBookmarkMapChooser : public QWidget
{
    Q_OBJECT
public:
    static inline const QString kDefaultMapName = QStringLiteral("Default map");

    SearchBookmarkMapChooser(SearchHistoryController* historyController, QWidget* parent = nullptr);

    // A bookmark needs a map: with none, makes "Default map", chooses it and
    // answers its id.
    std::optional<qint64> createDefaultMapIfNone();

    QComboBox* popupBookmarkMap() const { return popupBookmarkMap_; }
    QPushButton* btnNewBookmarkMap() const { return btnNewBookmarkMap_; }
    // Made at the first use and kept as long as this row.
    SearchAddMapWC* searchAddMapWC() const { return searchAddMapWC_; }

    // The `mapid` of the chosen map; none while there is no map.
    std::optional<qint64> selectedMapID() const;
    // The index of the map with that id in the list; 0 when none has it.
    int getRowForMapID(qint64 mapid) const;
    void selectRow(int row);

    // Runs the new-map sheet; a map made there is chosen.
    void openCreateNewMapModalWindow();

private:
    void reloadMaps();

    QPointer<SearchHistoryController> historyController_;
    QComboBox* popupBookmarkMap_;
    QPushButton* btnNewBookmarkMap_;
    SearchAddMapWC* searchAddMapWC_ = nullptr;
};
