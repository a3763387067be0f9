#pragma once

#include "queue/Queue.h"
#include "ui/search/tools/NZBExportWC.h"

#include <QList>
#include <QObject>
#include <QPersistentModelIndex>
#include <QPointer>

class DeepLookupVC;
class NZBExportWC;
class QAction;
class QMenu;

// What the user does with the results of the search page: the context menu
// of the result tree and its enabling, the selection label, queueing,
// passwords, copying, searches for more from a poster or newsgroups,
// replying and the NZB export hand-off.
class DeepLookupResultActions : public QObject
{
    Q_OBJECT
public:
    explicit DeepLookupResultActions(DeepLookupVC* page);
    ~DeepLookupResultActions() override;

    QMenu* menu() const { return menu_; }
    QAction* menuItemDownload() const { return menuItemDownload_; }
    QAction* menuItemDownloadFirst() const { return menuItemDownloadFirst_; }
    QAction* menuItemHideOldArticles() const { return menuItemHideOldArticles_; }
    QAction* menuItemSetPassword() const { return menuItemSetPassword_; }
    QAction* menuItemCopySubject() const { return menuItemCopySubject_; }
    QAction* menuItemCopyPoster() const { return menuItemCopyPoster_; }
    QAction* menuItemPostReply() const { return menuItemPostReply_; }
    QAction* menuItemMoreFromThisPoster() const { return menuItemMoreFromThisPoster_; }
    QAction* menuItemMoreFromThisNewsgroups() const { return menuItemMoreFromThisNewsgroups_; }
    QAction* menuItemSaveAsNZB() const { return menuItemSaveAsNZB_; }
    NZBExportWC* nzbExportWC() const { return nzbExportWC_; }

    // The rows an action applies to: the right-clicked row alone when it is
    // not selected, else the selected rows; their items in row order.
    QList<QueuePtr> getAllSelectedObjects() const;
    QueuePtr getFirstSelectedObject() const;
    // The row under the last right click; cleared when its menu closes.
    void setClickedRow(const QModelIndex& row) { clickedRow_ = row; }

    void selectionDidChangeInOutlineViewSearch();
    void updateSelectedBytesLabel();
    void menuWillOpen();
    void updateMenuItemHideOldArticles();

    void downloadSelection(bool downloadFirst);
    void setPasswordForSelection();
    void copySubjectToClipboard();
    void copyPosterToClipboard();
    void showMoreFromThisPoster(const QueuePtr& result);
    void showMoreFromThisNewsgroups(const QueuePtr& result);
    void toggleOldArticles();
    // Each file part stands for its result; each result once, first seen
    // first.
    static QList<QueuePtr> nzbExportFilterDupes(const QList<QueuePtr>& items);
    void saveAsNZB();
    void openNZBExportWindowWithArray(const QList<QueuePtr>& results);

private:
    void buildMenu();
    void showMenu(const QPoint& at);
    void moreFrom(const QString& poster, const QString& groups);

    DeepLookupVC* page_;
    QMenu* menu_ = nullptr;
    QAction* menuItemDownload_ = nullptr;
    QAction* menuItemDownloadFirst_ = nullptr;
    QAction* menuItemHideOldArticles_ = nullptr;
    QAction* menuItemSetPassword_ = nullptr;
    QAction* menuItemCopySubject_ = nullptr;
    QAction* menuItemCopyPoster_ = nullptr;
    QAction* menuItemPostReply_ = nullptr;
    QAction* menuItemMoreFromThisPoster_ = nullptr;
    QAction* menuItemMoreFromThisNewsgroups_ = nullptr;
    QAction* menuItemSaveAsNZB_ = nullptr;
    QPersistentModelIndex clickedRow_;
    QPointer<NZBExportWC> nzbExportWC_;
};
