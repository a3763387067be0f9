#pragma once

#include "ui/prefs/PrefsContext.h"
#include "ui/prefs/PrefsPage.h"

#include <QPointer>
#include <QWidget>

#include <cstdint>

class PopupButtonDefaultNZBApp;
class PrefsCleanupTable;
class PrefsFolderField;
class PrefsMemoryLimitView;
class PrefsSubPages;
class QComboBox;
class QLabel;
class QPushButton;

// The Download page of the settings window: folders and the sub-folder
// scheme, repair and extraction, cleanup patterns, other options with the
// default application for NZB files, the memory limit, and the bandwidth
// limiter. Every control is named after the setting it writes.
class PrefsDownloadsVC : public PrefsPage
{
    Q_OBJECT
public:
    // Folder tags: which folder a choice changes.
    static constexpr int kFolderDownload = 1;
    static constexpr int kFolderMoveAfterDownload = 2;
    static constexpr int kFolderWatch = 3;

    // Sub-pages by side-bar tag.
    static constexpr int kSubPageFolders = 1;
    static constexpr int kSubPageRepairExtract = 2;
    static constexpr int kSubPageCleanup = 3;
    static constexpr int kSubPageOther = 4;
    static constexpr int kSubPageAdvanced = 5;
    static constexpr int kSubPageBandwidth = 6;

    // `physicalMemoryBytes` 0: this machine's memory.
    explicit PrefsDownloadsVC(const PrefsContext& context, QWidget* parent = nullptr,
                              std::uint64_t physicalMemoryBytes = 0);

    PrefsSubPages* subPages() const { return subPages_; }
    PrefsMemoryLimitView* memoryLimit() const { return memoryLimit_; }
    PopupButtonDefaultNZBApp* popupButtonDefaultNZBApp() const { return popupButtonDefaultNZBApp_; }
    QComboBox* popupButtonSaveToSubFolder() const { return popupButtonSaveToSubFolder_; }
    PrefsCleanupTable* cleanupTable() const { return cleanupTable_; }

    // Stores a chosen folder under its tag's key, logs it, keeps its access
    // and tells the engine parts that watch that folder.
    void changeFolderToUrl(const QString& path, int tag);
    // The sub-folder scheme may change only while nothing is left to
    // download: files of a running job would otherwise land in two places.
    void subFolderChangedTo(int tag);

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    QWidget* makeFoldersView();
    QWidget* makeRepairExtractView();
    QWidget* makeCleanupView();
    QWidget* makeOtherView();
    QWidget* makeAdvancedView(std::uint64_t physicalMemoryBytes);
    QWidget* makeBandwidthView();
    void addFolderRow(class PrefsForm* form, int tag, const QString& label);
    void setupPopupSaveToSubFolder();

    PrefsContext context_;
    PrefsSubPages* subPages_;
    QComboBox* popupButtonSaveToSubFolder_ = nullptr;
    PopupButtonDefaultNZBApp* popupButtonDefaultNZBApp_ = nullptr;
    PrefsMemoryLimitView* memoryLimit_ = nullptr;
    PrefsCleanupTable* cleanupTable_ = nullptr;
    QList<PrefsFolderField*> folderFields_;
};
