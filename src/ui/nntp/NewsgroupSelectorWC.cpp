#include "ui/nntp/NewsgroupSelectorWC.h"

#include "controls/TVLTextField.h"
#include "controls/TableRowViewDefault.h"
#include "core/DialogBoxes.h"
#include "core/StringFormat.h"
#include "nntp/DBNewsgroups.h"
#include "platform/Dispatch.h"
#include "platform/NotificationHub.h"
#include "ui/core/WindowPlacement.h"
#include "ui/nntp/NewsGroupSelectorDelegate.h"
#include "ui/nntp/NewsgroupTableModel.h"
#include "ui/nntp/RefreshGroupsWC.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

NewsgroupSelectorWC::NewsgroupSelectorWC(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("NewsgroupSelectorWC"));
    setWindowTitle(QStringLiteral("Newsgroups"));
    resize(520, 520);

    model_ = new NewsgroupTableModel(this);
    arrayControllerNewsGroups_ = new QSortFilterProxyModel(this);
    arrayControllerNewsGroups_->setSourceModel(model_);
    arrayControllerNewsGroups_->setFilterKeyColumn(NewsgroupTableModel::NewsgroupColumn);
    arrayControllerNewsGroups_->setFilterCaseSensitivity(Qt::CaseInsensitive);

    filterField_ = new TVLTextField(this);
    filterField_->setObjectName(QStringLiteral("filterField"));
    filterField_->setPlaceHolderString(QStringLiteral("Filter newsgroups"));
    filterField_->awakeFromNib();
    connect(filterField_, &TVLTextField::stringValueChanged, this,
            [this](const QString& text) { arrayControllerNewsGroups_->setFilterFixedString(text); });

    tableViewNewsgroups_ = new QTableView(this);
    tableViewNewsgroups_->setObjectName(QStringLiteral("tableViewNewsgroups"));
    tableViewNewsgroups_->setModel(arrayControllerNewsGroups_);
    tableViewNewsgroups_->setItemDelegate(new TableRowViewDefault(tableViewNewsgroups_));
    tableViewNewsgroups_->setSelectionBehavior(QAbstractItemView::SelectRows);
    tableViewNewsgroups_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    tableViewNewsgroups_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tableViewNewsgroups_->setShowGrid(false);
    tableViewNewsgroups_->setWordWrap(false);
    tableViewNewsgroups_->verticalHeader()->hide();
    tableViewNewsgroups_->verticalHeader()->setDefaultSectionSize(20);
    tableViewNewsgroups_->horizontalHeader()->setSectionResizeMode(NewsgroupTableModel::NewsgroupColumn,
                                                                   QHeaderView::Stretch);
    tableViewNewsgroups_->horizontalHeader()->setSectionResizeMode(NewsgroupTableModel::ArticlesColumn,
                                                                   QHeaderView::ResizeToContents);
    tableViewNewsgroups_->installEventFilter(this);
    connect(tableViewNewsgroups_, &QTableView::doubleClicked, this, [this] { btnAddClicked(); });

    buttonRefresh_ = new QPushButton(QStringLiteral("Refresh"), this);
    buttonRefresh_->setObjectName(QStringLiteral("buttonRefresh"));
    buttonRefresh_->setToolTip(QStringLiteral("Download the newsgroup list from the server"));
    connect(buttonRefresh_, &QPushButton::clicked, this, [this] { refreshNewsGroups(); });
    buttonAdd_ = new QPushButton(QStringLiteral("Add"), this);
    buttonAdd_->setObjectName(QStringLiteral("buttonAdd"));
    connect(buttonAdd_, &QPushButton::clicked, this, [this] { btnAddClicked(); });
    buttonClose_ = new QPushButton(QStringLiteral("Close"), this);
    buttonClose_->setObjectName(QStringLiteral("buttonClose"));
    connect(buttonClose_, &QPushButton::clicked, this, [this] { closeWindow(); });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(buttonRefresh_);
    buttons->addStretch(1);
    buttons->addWidget(buttonClose_);
    buttons->addWidget(buttonAdd_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(filterField_);
    layout->addWidget(tableViewNewsgroups_, 1);
    layout->addLayout(buttons);
}

NewsgroupSelectorWC::~NewsgroupSelectorWC()
{
    NotificationHub::defaultCenter().removeObserver(this);
}

const QList<NewsgroupSelectorItem>& NewsgroupSelectorWC::arrayNewsgroups() const
{
    return model_->items();
}

void NewsgroupSelectorWC::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!loaded_) {
        loaded_ = true;
        windowDidLoad();
    }
}

void NewsgroupSelectorWC::windowDidLoad()
{
    WindowPlacement::centerWindow(this, kWindowDistance);
    QPointer<NewsgroupSelectorWC> self(this);
    NotificationHub::defaultCenter().addObserver(QStringLiteral("ApplicationWillTerminate"), this,
                                                 [self](const Notification&) {
                                                     Dispatch::onMain([self] {
                                                         if (self) self->closeWindow();
                                                     });
                                                 });
    raise();
    activateWindow();
    // After the window is up: the load may ask a question.
    if (model_->items().isEmpty()) {
        Dispatch::onMain([self] {
            if (self && !self->windowIsClosing_) self->loadNewsGroupsFromDB();
        });
    }
}

void NewsgroupSelectorWC::loadNewsGroupsFromDB()
{
    model_->setItems(DBNewsgroups().loadAll());
    if (!model_->items().isEmpty()) return;
    QPointer<NewsgroupSelectorWC> self(this);
    const bool yes = DialogBoxes::alertBoxYesNo(QStringLiteral("Your newsgroups list is empty."),
                                                QStringLiteral("Would you like to update the list?"), true);
    if (self && yes && !windowIsClosing_) refreshNewsGroups();
}

void NewsgroupSelectorWC::saveNewsGroupsToDB()
{
    if (model_->items().isEmpty()) return;
    // A copy: the window's list may change while the store writes.
    const QList<NewsgroupSelectorItem> snapshot = model_->items();
    QPointer<NewsgroupSelectorWC> self(this);
    Dispatch::global([snapshot, self] {
        const bool saved = DBNewsgroups().saveAll(snapshot);
        Dispatch::onMain([self, saved] {
            if (self) emit self->newsgroupsSaved(saved);
        });
    });
}

void NewsgroupSelectorWC::refreshNewsGroups()
{
    openRefreshGroupsWindow();
}

void NewsgroupSelectorWC::openRefreshGroupsWindow()
{
    if (refreshGroupsWC_) return;
    auto* sheet = new RefreshGroupsWC(this);
    sheet->setQueueController(queueController_);
    sheet->setServerID(serverID_);
    sheet->setDelegate(this);
    refreshGroupsWC_ = sheet;
    connect(sheet, &QDialog::finished, this, [this, sheet] {
        if (refreshGroupsWC_ == sheet) refreshGroupsWC_ = nullptr;
        sheet->deleteLater();
    });
    sheet->open();
}

void NewsgroupSelectorWC::newsgroupsReceived(const QList<NewsgroupSelectorItem>& items)
{
    model_->setItems(items);
    saveNewsGroupsToDB();
}

QList<NewsgroupSelectorItem> NewsgroupSelectorWC::getSelectedObjects()
{
    QList<NewsgroupSelectorItem> chosen;
    const QModelIndexList rows = tableViewNewsgroups_->selectionModel()->selectedRows();
    for (const QModelIndex& index : rows) {
        const int row = arrayControllerNewsGroups_->mapToSource(index).row();
        if (row < 0) continue;
        model_->setCheckbox(row, true);
        chosen.append(model_->item(row));
    }
    return chosen;
}

void NewsgroupSelectorWC::btnAddClicked()
{
    selectedGroups_ = getSelectedObjects();
    tableViewNewsgroups_->clearSelection();
    addNewsgroupsDelegate(selectedGroups_);
}

void NewsgroupSelectorWC::addNewsgroupsDelegate(const QList<NewsgroupSelectorItem>& items)
{
    if (delegate_) delegate_->addNewsgroup(items);
}

void NewsgroupSelectorWC::copySelectionToClipboard()
{
    const QModelIndexList rows = tableViewNewsgroups_->selectionModel()->selectedRows();
    if (rows.isEmpty()) return;
    QString text;
    for (const QModelIndex& index : rows) {
        const int row = arrayControllerNewsGroups_->mapToSource(index).row();
        if (row < 0) continue;
        const NewsgroupSelectorItem& i = model_->item(row);
        text += sformat(u"%@\t%ld\n", i.newsgroup, long(i.articlecount));
    }
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text);
}

bool NewsgroupSelectorWC::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == tableViewNewsgroups_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        // The table's own copy would put only the current cell there.
        copySelectionToClipboard();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void NewsgroupSelectorWC::closeWindow()
{
    if (windowIsClosing_) return;
    if (refreshGroupsWC_) refreshGroupsWC_->closeWindow();
    windowIsClosing_ = true;
    close();
}

void NewsgroupSelectorWC::closeEvent(QCloseEvent* event)
{
    closeWindow();
    event->accept();
}
