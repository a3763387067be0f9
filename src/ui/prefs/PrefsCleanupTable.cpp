#include "ui/prefs/PrefsCleanupTable.h"

#include "controls/TableRowViewDefault.h"
#include "core/DialogBoxes.h"
#include "postprocess/CleanupItemsController.h"
#include "ui/prefs/CleanupItemsTableModel.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

PrefsCleanupTable::PrefsCleanupTable(CleanupItemsController* controller, QWidget* parent)
    : QWidget(parent), controller_(controller), model_(new CleanupItemsTableModel(controller, this)),
      table_(new QTableView(this)), menu_(new QMenu(this))
{
    table_->setObjectName(QStringLiteral("tableViewCleanUpItems"));
    table_->setModel(model_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::SelectedClicked);
    table_->setAlternatingRowColors(true);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setDefaultSectionSize(22);
    table_->horizontalHeader()->setSectionResizeMode(CleanupItemsTableModel::kColumnCheckbox, QHeaderView::Fixed);
    table_->setColumnWidth(CleanupItemsTableModel::kColumnCheckbox, 28);
    table_->setColumnWidth(CleanupItemsTableModel::kColumnSearchItem, 200);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setMinimumHeight(220);
    table_->setItemDelegate(new TableRowViewDefault(table_));

    menuItemAdd_ = menu_->addAction(QStringLiteral("Add"), this, &PrefsCleanupTable::insertCleanupItem);
    menuItemAdd_->setObjectName(QStringLiteral("menuItemAdd"));
    menuItemRemove_ = menu_->addAction(QStringLiteral("Remove"), this, &PrefsCleanupTable::removeCleanupItem);
    menuItemRemove_->setObjectName(QStringLiteral("menuItemRemove"));
    // The Delete key removes the chosen patterns too (after asking); a cell
    // being edited keeps its own keys.
    menuItemRemove_->setShortcut(QKeySequence::Delete);
    table_->installEventFilter(this);
    table_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(table_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        clickedRow_ = table_->rowAt(pos.y());
        menuWillOpen();
        menu_->exec(table_->viewport()->mapToGlobal(pos));
        clickedRow_ = -1;
    });

    btnAdd_ = new QPushButton(QStringLiteral("+"), this);
    btnAdd_->setObjectName(QStringLiteral("addCleanupItem"));
    btnAdd_->setToolTip(QStringLiteral("Add a pattern"));
    btnRemove_ = new QPushButton(QStringLiteral("−"), this);
    btnRemove_->setObjectName(QStringLiteral("removeCleanupItem"));
    btnRemove_->setToolTip(QStringLiteral("Remove the selected patterns"));
    for (QPushButton* b : {btnAdd_, btnRemove_})
        b->setFixedWidth(32);
    connect(btnAdd_, &QPushButton::clicked, this, &PrefsCleanupTable::insertCleanupItem);
    connect(btnRemove_, &QPushButton::clicked, this, &PrefsCleanupTable::removeCleanupItem);
    const auto updateRemove = [this] {
        const bool any = !getSelectedFilesIndexSet().isEmpty();
        btnRemove_->setEnabled(any);
        menuItemRemove_->setEnabled(any);
    };
    connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this, updateRemove);
    connect(model_, &QAbstractItemModel::modelReset, this, updateRemove);
    updateRemove();
    btnAdd_->setEnabled(controller_);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(4);
    buttons->addWidget(btnAdd_);
    buttons->addWidget(btnRemove_);
    buttons->addStretch(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(table_, 1);
    layout->addLayout(buttons);
}

bool PrefsCleanupTable::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == table_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Delete || key == Qt::Key_Backspace) {
            removeCleanupItem();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void PrefsCleanupTable::insertCleanupItem()
{
    if (!controller_) return;
    controller_->insertNewItem();
    const QModelIndex cell = model_->index(0, CleanupItemsTableModel::kColumnSearchItem);
    table_->setCurrentIndex(cell);
    table_->edit(cell);
}

void PrefsCleanupTable::removeCleanupItem()
{
    const QList<qsizetype> rows = getSelectedFilesIndexSet();
    if (!controller_ || rows.isEmpty()) return;
    if (!DialogBoxes::alertBoxYesNo(QStringLiteral("Delete %1 items?").arg(rows.size()),
                                    QStringLiteral("Are you sure to delete these items?"), false))
        return;
    controller_->removeItemsInArray(rows);
}

QList<qsizetype> PrefsCleanupTable::getSelectedFilesIndexSet() const
{
    QList<qsizetype> rows;
    for (const QModelIndex& index : table_->selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    if (clickedRow_ >= 0 && !rows.contains(clickedRow_)) return {clickedRow_};
    return rows;
}

void PrefsCleanupTable::menuWillOpen()
{
    menuItemAdd_->setEnabled(controller_);
    menuItemRemove_->setEnabled(!getSelectedFilesIndexSet().isEmpty());
}
