#include "ui/search/panes/SearchHistoryVC.h"

#include "controls/ContextMenuRows.h"
#include "core/DialogBoxes.h"
#include "platform/UserDefaults.h"
#include "search/SearchHistoryController.h"
#include "ui/search/panes/SearchAddBookmarksWC.h"
#include "ui/search/panes/SearchEditHistoryEntryWC.h"
#include "ui/search/panes/SearchFieldCellSearchHistory.h"
#include "ui/search/panes/SearchHistoryTableModel.h"
#include "ui/search/panes/SearchPaneButtonBar.h"
#include "ui/search/panes/SearchPaneNotifications.h"
#include "ui/search/panes/TableRowViewSearchHistory.h"
#include "ui/search/panes/TableViewSearchHistory.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QSortFilterProxyModel>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

SearchHistoryVC::SearchHistoryVC(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("SearchHistoryVC"));
    buildInterface();
}

void SearchHistoryVC::buildInterface()
{
    model_ = new SearchHistoryTableModel(this);
    filter_ = new QSortFilterProxyModel(this);
    filter_->setSourceModel(model_);
    filter_->setFilterCaseSensitivity(Qt::CaseInsensitive);

    searchField_ = new SearchFieldCellSearchHistory(this);
    searchField_->setObjectName(QStringLiteral("searchFieldSearchHistory"));
    searchField_->setPlaceholderText(QStringLiteral("Filter history"));
    searchField_->setFixedHeight(22);
    // The list narrows as the user types; the clear button lifts it.
    connect(searchField_->editor(), &QLineEdit::textChanged, this, &SearchHistoryVC::filterTextChanged);

    table_ = new TableViewSearchHistory(this);
    table_->setItemDelegate(new TableRowViewSearchHistory(table_));
    table_->setModel(filter_);
    table_->setHistoryDelegate(this);
    connect(table_, &QAbstractItemView::doubleClicked, this, [this] { sendSearchNotification(); });
    connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &SearchHistoryVC::tableViewSelectionDidChange);

    auto* bar = new SearchPaneButtonBar(this);
    btnBookmark_ = bar->addButton(QStringLiteral("btn_bookmark"), QStringLiteral("Bookmark"),
                                  QStringLiteral("Make bookmarks of the selected searches"));
    btnEdit_ = bar->addButton(QStringLiteral("btn_edit"), QStringLiteral("Edit"),
                              QStringLiteral("Edit the selected search"));
    btnTrash_ = bar->addButton(QStringLiteral("btn_trash"), QStringLiteral("Delete"),
                               QStringLiteral("Delete the selected searches"));
    connect(btnBookmark_, &QToolButton::clicked, this, &SearchHistoryVC::createNewBookmark);
    connect(btnEdit_, &QToolButton::clicked, this, &SearchHistoryVC::editSelectedObject);
    connect(btnTrash_, &QToolButton::clicked, this, &SearchHistoryVC::deleteSelectedObjects);

    menu_ = new QMenu(this);
    menu_->setObjectName(QStringLiteral("menuSearchHistory"));
    menuItemLaunch_ = menu_->addAction(QStringLiteral("Search Again"), this, &SearchHistoryVC::sendSearchNotification);
    menuItemMakeBookmark_ =
        menu_->addAction(QStringLiteral("Make Bookmark…"), this, &SearchHistoryVC::createNewBookmark);
    menuItemEdit_ = menu_->addAction(QStringLiteral("Edit…"), this, &SearchHistoryVC::editSelectedObject);
    menuItemDelete_ = menu_->addAction(QStringLiteral("Delete"), this, &SearchHistoryVC::deleteSelectedObjects);
    menu_->addSeparator();
    menuItemMakeWatchdog_ =
        menu_->addAction(QStringLiteral("Make Watchdog Entry…"), this, &SearchHistoryVC::makeWatchdogEntry);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    auto* fieldRow = new QVBoxLayout;
    fieldRow->setContentsMargins(6, 0, 6, 0);
    fieldRow->addWidget(searchField_);
    layout->addLayout(fieldRow);
    layout->addWidget(table_, 1);
    layout->addWidget(bar);
    tableViewSelectionDidChange();
}

void SearchHistoryVC::setHistoryController(SearchHistoryController* controller)
{
    historyController_ = controller;
    model_->setHistoryController(controller);
    tableViewSelectionDidChange();
}

// ---- recording finished searches

std::optional<QString> SearchHistoryVC::makeSearchAlias(const DeepLookupObject& query)
{
    for (const std::optional<QString>& text : {query.title(), query.poster(), query.group()})
        if (text && !text->isEmpty()) return text;
    return std::nullopt;
}

qsizetype SearchHistoryVC::getRowNumberForObject(const DeepLookupObject& query) const
{
    if (!historyController_) return -1;
    const QList<DeepLookupObjectPtr>& list = historyController_->arraySearchHistory();
    for (qsizetype i = 0; i < list.size(); ++i)
        if (list[i]->alias().value_or(QString()) == query.alias().value_or(QString()) &&
            list[i]->ero().value_or(QString()) == query.ero().value_or(QString()))
            return i;
    return -1;
}

void SearchHistoryVC::addSearchToHistory(const DeepLookupObjectPtr& query)
{
    if (!query || !historyController_) return;
    query->setAlias(makeSearchAlias(*query));
    if (!query->alias()) return;
    query->setIcontype(query->ero());
    // Shown rows and list indexes agree again.
    searchField_->setText(QString());
    if (const qsizetype row = getRowNumberForObject(*query); row >= 0) {
        historyController_->replaceHistoryObjectAtIndex(row, query);
        table_->selectRow(shownRowForHistoryRow(int(row)));
    } else {
        historyController_->insertHistoryObject(query);
    }
    limitSearchHistoryEntries();
}

void SearchHistoryVC::limitSearchHistoryEntries()
{
    const qint64 limit =
        std::max<qint64>(0, UserDefaults::standard().integerForKey(QStringLiteral("maxSearchHistoryDatabase")));
    const QList<DeepLookupObjectPtr>& list = historyController_->arraySearchHistory();
    // The bottom entries leave one by one, so the rows above keep their
    // selection.
    if (list.size() > limit) historyController_->deleteHistoryObjectsInArray(list.mid(limit));
}

void SearchHistoryVC::enableTableview()
{
    table_->setEnabled(true);
}

void SearchHistoryVC::disableTableview()
{
    table_->setEnabled(false);
}

// ---- filter

void SearchHistoryVC::filterTextChanged(const QString& text)
{
    filter_->setFilterFixedString(text);
}

int SearchHistoryVC::historyRowForShownRow(int shownRow) const
{
    return filter_->mapToSource(filter_->index(shownRow, 0)).row();
}

int SearchHistoryVC::shownRowForHistoryRow(int historyRow) const
{
    return filter_->mapFromSource(model_->index(historyRow, 0)).row();
}

// ---- rows

QList<int> SearchHistoryVC::getSelectedIndexSet() const
{
    QList<int> rows;
    for (int shown : ContextMenuRows::targeted(table_->selectionModel(), table_->clickedRow()))
        if (const int row = historyRowForShownRow(shown); row >= 0) rows << row;
    std::sort(rows.begin(), rows.end());
    return rows;
}

DeepLookupObjectPtr SearchHistoryVC::getFirstSelectedObjectFromIndexSet(const QList<int>& rows) const
{
    return rows.isEmpty() ? nullptr : model_->entryAt(*std::min_element(rows.begin(), rows.end()));
}

QList<DeepLookupObjectPtr> SearchHistoryVC::getAllSelectedObjectsFromIndexSet(const QList<int>& rows) const
{
    QList<int> sorted = rows;
    std::sort(sorted.begin(), sorted.end());
    QList<DeepLookupObjectPtr> entries;
    for (int row : sorted)
        if (const DeepLookupObjectPtr e = model_->entryAt(row)) entries << e;
    return entries;
}

void SearchHistoryVC::moveRowObject(const DeepLookupObjectPtr& entry, qsizetype row)
{
    if (!historyController_) return;
    const qsizetype from = historyController_->arraySearchHistory().indexOf(entry);
    if (from < 0) return;
    historyController_->moveHistoryObject(from, from < row ? row - 1 : row);
}

// ---- actions

void SearchHistoryVC::sendSearchNotification()
{
    const DeepLookupObjectPtr entry = getFirstSelectedObjectFromIndexSet(getSelectedIndexSet());
    if (!entry) return;
    moveRowObject(entry, 0);
    table_->scrollToTop();
    SearchPaneNotifications::post(SearchPaneNotifications::requestForDeepLookup(), this, entry);
}

void SearchHistoryVC::deleteSelectedObjects()
{
    const QList<DeepLookupObjectPtr> entries = getAllSelectedObjectsFromIndexSet(getSelectedIndexSet());
    if (entries.isEmpty() || !historyController_) return;
    if (DialogBoxes::alertBoxYesNo(QStringLiteral("Delete selected search entries?"),
                                   QStringLiteral("Are you sure to delete these search entries?"), true))
        historyController_->deleteHistoryObjectsInArray(entries);
}

void SearchHistoryVC::makeWatchdogEntry()
{
    if (const DeepLookupObjectPtr entry = getFirstSelectedObjectFromIndexSet(getSelectedIndexSet()))
        SearchPaneNotifications::post(SearchPaneNotifications::makeWatchdogFromDeepLookupObject(), this, entry);
}

void SearchHistoryVC::createNewBookmark()
{
    const QList<DeepLookupObjectPtr> entries = getAllSelectedObjectsFromIndexSet(getSelectedIndexSet());
    if (entries.isEmpty() || !historyController_) return;
    // The window moves the entries into a map; they leave the history only
    // once they are there.
    SearchAddBookmarksWC window(entries, historyController_, this);
    window.runModal();
}

void SearchHistoryVC::editSelectedObject()
{
    const DeepLookupObjectPtr entry = getFirstSelectedObjectFromIndexSet(getSelectedIndexSet());
    if (!entry || !historyController_) return;
    SearchEditHistoryEntryWC window(entry, historyController_, this);
    window.runModal();
}

void SearchHistoryVC::deleteKeyPressedInHistory()
{
    deleteSelectedObjects();
}

// ---- states

void SearchHistoryVC::tableViewSelectionDidChange()
{
    const qsizetype n = table_->selectionModel() ? table_->selectionModel()->selectedRows().size() : 0;
    btnBookmark_->setEnabled(n >= 1);
    btnTrash_->setEnabled(n >= 1);
    btnEdit_->setEnabled(n == 1);
}

void SearchHistoryVC::menuWillOpen()
{
    const qsizetype n = getSelectedIndexSet().size();
    menuItemLaunch_->setEnabled(n == 1);
    menuItemMakeBookmark_->setEnabled(n >= 1);
    menuItemEdit_->setEnabled(n == 1);
    menuItemDelete_->setEnabled(n >= 1);
    menuItemMakeWatchdog_->setEnabled(n == 1);
}

void SearchHistoryVC::contextMenuRequested(const QPoint& globalPos)
{
    menuWillOpen();
    menu_->exec(globalPos);
}

// ---- reordering by drag

bool SearchHistoryVC::writeRowsWithIndexes(const QList<int>& shownRows)
{
    draggedObjectsArray_.clear();
    for (int shown : shownRows)
        if (const DeepLookupObjectPtr e = model_->entryAt(historyRowForShownRow(shown))) draggedObjectsArray_ << e;
    return !draggedObjectsArray_.isEmpty();
}

bool SearchHistoryVC::acceptDrop(const QObject* source, int shownRow)
{
    if (source != table_ || draggedObjectsArray_.isEmpty() || !historyController_) return false;
    // Above a shown row means above its entry; below the last shown row,
    // right below that entry.
    const int shownCount = filter_->rowCount();
    const qsizetype r = shownRow < shownCount ? historyRowForShownRow(shownRow)
                        : shownCount > 0      ? historyRowForShownRow(shownCount - 1) + 1
                                              : historyController_->arraySearchHistory().size();
    QList<DeepLookupObjectPtr> upper, lower;
    for (const DeepLookupObjectPtr& e : draggedObjectsArray_)
        (historyController_->arraySearchHistory().indexOf(e) < r ? upper : lower) << e;
    // The lower group goes first, from its last: each lands right above
    // row r, pushing the ones before it down; then the upper group in
    // order, each taken from above and put just above r. The block ends
    // at the drop in its former order.
    for (auto it = lower.crbegin(); it != lower.crend(); ++it) moveRowObject(*it, r);
    for (const DeepLookupObjectPtr& e : upper) moveRowObject(e, r);
    return true;
}

void SearchHistoryVC::draggingSessionEnded()
{
    draggedObjectsArray_.clear();
}
