#include "ui/search/page/DeepLookupResultActions.h"

#include "controls/TVLTextField.h"
#include "core/DialogBoxes.h"
#include "core/Utils.h"
#include "platform/NotificationHub.h"
#include "ui/search/page/DeepLookupResultFilter.h"
#include "ui/search/page/DeepLookupVC.h"
#include "ui/search/page/OutlineViewSearch.h"
#include "ui/search/page/OutlineViewSearchModel.h"
#include "ui/search/tools/NZBExportWC.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QMenu>

#include <QSet>

DeepLookupResultActions::DeepLookupResultActions(DeepLookupVC* page) : QObject(page), page_(page)
{
    buildMenu();
    OutlineViewSearch* tree = page_->outLineViewSearch();
    tree->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tree, &QWidget::customContextMenuRequested, this, &DeepLookupResultActions::showMenu);
    connect(tree->selectionModel(), &QItemSelectionModel::selectionChanged, this, [tree] {
        NotificationHub::defaultCenter().post(QStringLiteral("SelectionDidChangeInOutlineViewSearch"), tree, {});
    });
    // A new model resets the selection model: follow the new one.
    connect(tree->resultsModel(), &QAbstractItemModel::modelReset, this,
            [this] { selectionDidChangeInOutlineViewSearch(); });
    menuWillOpen();
    updateMenuItemHideOldArticles();
}

DeepLookupResultActions::~DeepLookupResultActions()
{
    if (nzbExportWC_) delete nzbExportWC_.data();
}

void DeepLookupResultActions::buildMenu()
{
    menu_ = new QMenu(page_);
    menu_->setObjectName(QStringLiteral("outlineViewSearchMenu"));
    const auto add = [this](const char* title, auto handler) {
        QAction* a = menu_->addAction(QString::fromLatin1(title));
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    menuItemDownload_ = add("Download", [this] { downloadSelection(false); });
    menuItemDownloadFirst_ = add("Download first", [this] { downloadSelection(true); });
    menu_->addSeparator();
    menuItemHideOldArticles_ = add("Hide old articles", [this] { toggleOldArticles(); });
    menuItemSetPassword_ = add("Set password…", [this] { setPasswordForSelection(); });
    menu_->addSeparator();
    menuItemCopySubject_ = add("Copy subject", [this] { copySubjectToClipboard(); });
    menuItemCopyPoster_ = add("Copy poster", [this] { copyPosterToClipboard(); });
    menu_->addSeparator();
    menuItemPostReply_ = add("Post reply…", [this] { page_->openPostMsgWindowAndReplyTo(getFirstSelectedObject()); });
    add("Post new message…", [this] { page_->openPostMsgWindowAndReplyTo({}); });
    menu_->addSeparator();
    menuItemMoreFromThisPoster_ = add("More from this poster", [this] { showMoreFromThisPoster(getFirstSelectedObject()); });
    menuItemMoreFromThisNewsgroups_ =
        add("More from these newsgroups", [this] { showMoreFromThisNewsgroups(getFirstSelectedObject()); });
    menu_->addSeparator();
    menuItemSaveAsNZB_ = add("Save as NZB…", [this] { saveAsNZB(); });
    connect(menu_, &QMenu::aboutToHide, this, [this] {
        // The export item of the main menu follows the selection again.
        if (QAction* exportItem = page_->mnuItemExportNZB();
            exportItem && !page_->outLineViewSearch()->selectionModel()->hasSelection())
            exportItem->setEnabled(false);
    });
}

void DeepLookupResultActions::showMenu(const QPoint& at)
{
    OutlineViewSearch* tree = page_->outLineViewSearch();
    const QModelIndex clicked = tree->indexAt(at);
    clickedRow_ = clicked.isValid() ? clicked.siblingAtColumn(0) : QModelIndex();
    menuWillOpen();
    menu_->exec(tree->viewport()->mapToGlobal(at));
    clickedRow_ = QModelIndex();
}

QList<QueuePtr> DeepLookupResultActions::getAllSelectedObjects() const
{
    OutlineViewSearch* tree = page_->outLineViewSearch();
    if (clickedRow_.isValid() && !tree->selectionModel()->isRowSelected(clickedRow_.row(), clickedRow_.parent())) {
        const QueuePtr item = tree->resultsModel()->itemAt(clickedRow_);
        return item ? QList<QueuePtr>{item} : QList<QueuePtr>{};
    }
    return tree->getSelectedObjects();
}

QueuePtr DeepLookupResultActions::getFirstSelectedObject() const
{
    return getAllSelectedObjects().value(0);
}

void DeepLookupResultActions::selectionDidChangeInOutlineViewSearch()
{
    updateSelectedBytesLabel();
    menuWillOpen();
}

void DeepLookupResultActions::updateSelectedBytesLabel()
{
    const QList<QueuePtr> items = getAllSelectedObjects();
    if (items.isEmpty()) {
        page_->labelSelectedBytes()->clear();
        return;
    }
    double bytes = 0;
    for (const QueuePtr& item : items) bytes += item->bytes();
    page_->labelSelectedBytes()->setText(QStringLiteral(" - Selected: %1 item%2 (%3)")
                                             .arg(items.size())
                                             .arg(items.size() == 1 ? QString() : QStringLiteral("s"))
                                             .arg(Utils::formatBytes(bytes)));
}

void DeepLookupResultActions::menuWillOpen()
{
    const DeepLookupObjectPtr& current = page_->currentDeepLookupObject();
    menuItemHideOldArticles_->setEnabled(current && current->previousAccessDate() >= 1);
    const qsizetype chosen = getAllSelectedObjects().size();
    for (QAction* a : {menuItemDownload_, menuItemDownloadFirst_, menuItemSetPassword_, menuItemSaveAsNZB_})
        a->setEnabled(chosen > 0);
    if (QAction* exportItem = page_->mnuItemExportNZB()) exportItem->setEnabled(chosen > 0);
    for (QAction* a : {menuItemCopySubject_, menuItemCopyPoster_, menuItemPostReply_, menuItemMoreFromThisPoster_,
                       menuItemMoreFromThisNewsgroups_})
        a->setEnabled(chosen == 1);
}

void DeepLookupResultActions::updateMenuItemHideOldArticles()
{
    if (page_->resultFilter().oldArticlesAreHidden()) {
        menuItemHideOldArticles_->setText(QStringLiteral("Show old articles"));
        menuItemHideOldArticles_->setToolTip(QStringLiteral("Show new and old articles"));
    } else {
        menuItemHideOldArticles_->setText(QStringLiteral("Hide old articles"));
        menuItemHideOldArticles_->setToolTip(QStringLiteral("Hide old articles"));
    }
}

void DeepLookupResultActions::toggleOldArticles()
{
    DeepLookupResultFilter& filter = page_->resultFilter();
    if (filter.oldArticlesAreHidden())
        filter.showOldArticles();
    else
        filter.hideOldArticles();
    updateMenuItemHideOldArticles();
}

void DeepLookupResultActions::downloadSelection(bool downloadFirst)
{
    for (const QueuePtr& item : getAllSelectedObjects()) {
        if (item->checkbox() != 0 || item->checkboxDisabled()) continue;
        item->setCheckbox(1);
        item->setDownloadFirst(downloadFirst);
        page_->outLineViewSearch()->checkboxStateChangedForQueue(item);
    }
}

void DeepLookupResultActions::setPasswordForSelection()
{
    QList<QueuePtr> items;
    for (const QueuePtr& item : getAllSelectedObjects())
        if (!item->isUploadObject()) items << item;
    if (items.isEmpty()) return;
    NotificationHub::defaultCenter().post(QStringLiteral("ShowPasswordSheetForQueueArray"), page_,
                                          {{QStringLiteral("queuearray"), QVariant::fromValue(items)}});
}

void DeepLookupResultActions::copySubjectToClipboard()
{
    const QueuePtr item = getFirstSelectedObject();
    if (!item) return;
    QString title = item->title();
    if (const QString suffix = item->titleSuffix(); !suffix.isEmpty()) title.remove(suffix);
    QApplication::clipboard()->setText(title);
}

void DeepLookupResultActions::copyPosterToClipboard()
{
    if (const QueuePtr item = getFirstSelectedObject()) QApplication::clipboard()->setText(item->poster());
}

void DeepLookupResultActions::moreFrom(const QString& poster, const QString& groups)
{
    auto query = DeepLookupObject::create();
    query->setTitle(QString());
    query->setPoster(poster);
    query->setGroup(groups);
    query->setMinsize(page_->searchFieldMinSize()->stringValue());
    query->setMaxsize(page_->searchFieldMaxSize()->stringValue());
    query->setEro(QString::number(page_->buttonContent()->currentData().toLongLong()));
    query->setStartdate(QString::number(page_->buttonDaysBack()->currentData().toLongLong()));
    page_->requestForDeepLookup(query);
}

void DeepLookupResultActions::showMoreFromThisPoster(const QueuePtr& result)
{
    if (result) moreFrom(result->poster(), QString());
}

void DeepLookupResultActions::showMoreFromThisNewsgroups(const QueuePtr& result)
{
    if (result) moreFrom(QString(), result->dpGroupsTextField());
}

QList<QueuePtr> DeepLookupResultActions::nzbExportFilterDupes(const QList<QueuePtr>& items)
{
    QList<QueuePtr> results;
    QSet<const Queue*> seen;
    for (const QueuePtr& item : items) {
        const QueuePtr result = item->isFilepart() ? item->queue() : item;
        if (result && !seen.contains(result.get())) {
            seen.insert(result.get());
            results << result;
        }
    }
    return results;
}

void DeepLookupResultActions::saveAsNZB()
{
    const QList<QueuePtr> results = nzbExportFilterDupes(getAllSelectedObjects());
    if (!results.isEmpty()) openNZBExportWindowWithArray(results);
}

void DeepLookupResultActions::openNZBExportWindowWithArray(const QList<QueuePtr>& results)
{
    if (nzbExportWC_) {
        DialogBoxes::alertBoxDefault(QStringLiteral("NZB Export is already running"),
                                     QStringLiteral("Please close the NZB export window before starting a new task."));
        nzbExportWC_->raise();
        nzbExportWC_->activateWindow();
        return;
    }
    nzbExportWC_ = new NZBExportWC(page_->window());
    nzbExportWC_->setQueuearray(results);
    connect(nzbExportWC_, &NZBExportWC::windowWillClose, this, [this] {
        if (nzbExportWC_) nzbExportWC_->deleteLater();
        nzbExportWC_ = nullptr;
    });
    nzbExportWC_->showWindow();
}
