#include "ui/nntp/ConnectionsVC.h"

#include "controls/ContextMenuRows.h"
#include "controls/SRGB.h"
#include "controls/ViewTitleBarMain.h"
#include "core/StringFormat.h"
#include "nntp/ConnectionsController.h"
#include "nntp/TVConnectionsObject.h"
#include "ui/nntp/ButtonCellToggleConnect.h"
#include "ui/nntp/ConnectionsTableModel.h"
#include "ui/nntp/TableRowViewConnections.h"

#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

ConnectionsVC::ConnectionsVC(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ConnectionsVC"));
    // The lower pane may shrink to the title bar alone.
    setMinimumHeight(1);
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);

    auto* titleBar = new ViewTitleBarMain(this);
    titleBar->setFixedHeight(28);
    auto* bar = new QHBoxLayout(titleBar);
    bar->setContentsMargins(10, 3, 8, 3);
    auto* title = new QLabel(QStringLiteral("Connections"), titleBar);
    title->setStyleSheet(QStringLiteral("color: #e6e9eb; font-weight: bold;"));
    connectionsInfoTextField_ = new QLabel(titleBar);
    connectionsInfoTextField_->setObjectName(QStringLiteral("connectionsInfoTextField"));
    connectionsInfoTextField_->setStyleSheet(QStringLiteral("color: #e6e9eb;"));
    btnToggleConnections_ = new ButtonCellToggleConnect(titleBar);
    bar->addWidget(title);
    bar->addSpacing(16);
    bar->addWidget(connectionsInfoTextField_);
    bar->addStretch();
    bar->addWidget(btnToggleConnections_);
    root->addWidget(titleBar);

    model_ = new ConnectionsTableModel(this);
    tableView_ = new QTableView(this);
    tableView_->setObjectName(QStringLiteral("tableViewConnections"));
    tableView_->setModel(model_);
    tableView_->setItemDelegate(new TableRowViewConnections(tableView_));
    tableView_->setSelectionBehavior(QAbstractItemView::SelectRows);
    tableView_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    tableView_->setShowGrid(false);
    tableView_->setFrameShape(QFrame::NoFrame);
    tableView_->setWordWrap(false);
    tableView_->verticalHeader()->hide();
    tableView_->verticalHeader()->setDefaultSectionSize(20);
    QHeaderView* header = tableView_->horizontalHeader();
    header->setHighlightSections(false);
    header->setStretchLastSection(false);
    const int widths[] = {36, 110, 240, 220, 280};
    for (int c = 0; c < ConnectionsTableModel::ColumnCount; ++c)
        tableView_->setColumnWidth(c, widths[c]);
    header->setSectionResizeMode(ConnectionsTableModel::TitleColumn, QHeaderView::Stretch);
    tableView_->viewport()->installEventFilter(this);
    root->addWidget(tableView_, 1);

    contextMenu_ = new QMenu(this);
    QAction* reset = contextMenu_->addAction(QStringLiteral("Reset Connection"));
    reset->setObjectName(QStringLiteral("mnuResetConnections"));
    connect(reset, &QAction::triggered, this, &ConnectionsVC::mnuResetConnectionsClicked);
    QAction* toggle = contextMenu_->addAction(QStringLiteral("Switch All Connections Off/On"));
    toggle->setObjectName(QStringLiteral("menuToggleConnections"));
    connect(toggle, &QAction::triggered, this, &ConnectionsVC::menuToggleConnections);

    connect(btnToggleConnections_, &QAbstractButton::clicked, this, &ConnectionsVC::toggleConnectionsClicked);
    connect(tableView_->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &ConnectionsVC::updateRefreshRange);
    connect(model_, &QAbstractItemModel::modelReset, this, &ConnectionsVC::updateRefreshRange);
}

ConnectionsVC::~ConnectionsVC() = default;

void ConnectionsVC::setConnectionsController(ConnectionsController* controller)
{
    connectionsController_ = controller;
}

void ConnectionsVC::viewDidLoad()
{
    if (loaded_) return;
    loaded_ = true;
    QPalette pal = tableView_->palette();
    pal.setColor(QPalette::Base, srgb(0.945, 0.941, 0.941));
    tableView_->setPalette(pal);
    if (!connectionsController_) return;
    connect(connectionsController_, &ConnectionsController::openConnectionsNrChanged, this,
            &ConnectionsVC::updateSummary);
    connect(connectionsController_, &ConnectionsController::serversInUseNrChanged, this,
            &ConnectionsVC::updateSummary);
    model_->setNntpServersController(connectionsController_->nntpServersController());
    btnToggleConnections_->setState(connectionsController_->manuallyConnect() ? 1 : 0);
    updateSummary();
}

QString ConnectionsVC::summaryText(qint64 serversInUse, qint64 openConnections)
{
    return sformat(u"%ld active %@   -   %ld %@", serversInUse,
                   serversInUse == 1 ? QStringLiteral("server") : QStringLiteral("servers"), openConnections,
                   openConnections == 1 ? QStringLiteral("connection") : QStringLiteral("connections"));
}

void ConnectionsVC::updateSummary()
{
    if (!connectionsController_) return;
    connectionsInfoTextField_->setText(
        summaryText(connectionsController_->serversInUseNr(), connectionsController_->openConnectionsNr()));
}

void ConnectionsVC::menuToggleConnections()
{
    btnToggleConnections_->click();
}

void ConnectionsVC::toggleConnectionsClicked()
{
    if (!connectionsController_) return;
    connectionsController_->toggleManuallyConnect();
    btnToggleConnections_->setState(connectionsController_->manuallyConnect() ? 1 : 0);
}

QList<int> ConnectionsVC::getSelectedIndexSet() const
{
    return ContextMenuRows::targeted(tableView_->selectionModel(), clickedRow_);
}

void ConnectionsVC::mnuResetConnectionsClicked()
{
    QList<qint64> ids;
    for (int row : getSelectedIndexSet())
        if (const TVConnectionsObjectPtr object = model_->objectAt(row))
            if (const NNTPServerObjectPtr slot = object->nntpObject()) ids << slot->connectionID();
    tableView_->clearSelection();
    if (connectionsController_) connectionsController_->resetConnections(ids);
}

bool ConnectionsVC::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == tableView_->viewport()) {
        if (event->type() == QEvent::ContextMenu) {
            auto* menuEvent = static_cast<QContextMenuEvent*>(event);
            // The menu key acts on the selection; a right-click on its row.
            clickedRow_ = menuEvent->reason() == QContextMenuEvent::Keyboard ? -1
                                                                             : tableView_->rowAt(menuEvent->pos().y());
            contextMenu_->exec(menuEvent->globalPos());
            clickedRow_ = -1;
            return true;
        }
        if (event->type() == QEvent::Resize) updateRefreshRange();
    }
    return QWidget::eventFilter(watched, event);
}

void ConnectionsVC::updateRefreshRange()
{
    const int n = model_->rowCount();
    if (!isVisible() || n == 0) {
        model_->poller().setRange(0, -1);
        return;
    }
    const int top = tableView_->rowAt(0);
    const int bottom = tableView_->rowAt(tableView_->viewport()->height() - 1);
    model_->poller().setRange(top < 0 ? 0 : top, bottom < 0 ? n - 1 : bottom);
}

void ConnectionsVC::showEvent(QShowEvent* event)
{
    viewDidLoad();
    QWidget::showEvent(event);
    updateRefreshRange();
}

void ConnectionsVC::hideEvent(QHideEvent* event)
{
    model_->poller().setRange(0, -1);
    QWidget::hideEvent(event);
}
