#include "ui/core/LogVC.h"

#include "controls/SRGB.h"
#include "controls/TVLTextField.h"
#include "controls/TableRowViewDefault.h"
#include "core/Logger.h"
#include "core/StringFormat.h"
#include "platform/UserDefaults.h"
#include "ui/core/LogFilterProxyModel.h"
#include "ui/core/LogTableModel.h"
#include "ui/core/WebView.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

LogVC::LogVC(QWidget* parent)
    : QWidget(parent), logger_(Logger::shared()), model_(new LogTableModel(logger_, this)),
      arrayControllerLogging_(new LogFilterProxyModel(this))
{
    setObjectName(QStringLiteral("LogVC"));
    arrayControllerLogging_->setSearchedColumns(
        {LogTableModel::ColumnType, LogTableModel::ColumnTime, LogTableModel::ColumnMessage});
    arrayControllerLogging_->setSourceModel(model_);

    textFieldFilterLog_ = new TVLTextField(this);
    textFieldFilterLog_->setObjectName(QStringLiteral("textFieldFilterLog"));
    textFieldFilterLog_->setPlaceHolderString(QStringLiteral("Filter"));
    textFieldFilterLog_->setFixedWidth(240);
    textFieldFilterLog_->awakeFromNib();

    buttonAutoScroll_ = new QPushButton(QStringLiteral("Auto Scroll"), this);
    buttonAutoScroll_->setObjectName(QStringLiteral("buttonAutoScroll"));
    buttonAutoScroll_->setCheckable(true);
    buttonAutoScroll_->setAutoDefault(false);
    connect(buttonAutoScroll_, &QPushButton::clicked, this, [this] { btnAutoScrollClicked(); });

    buttonClearLog_ = new QPushButton(QStringLiteral("Clear Log"), this);
    buttonClearLog_->setObjectName(QStringLiteral("buttonClearLog"));
    buttonClearLog_->setAutoDefault(false);
    connect(buttonClearLog_, &QPushButton::clicked, this, [this] { btnClearLogClicked(); });

    tableViewLogging_ = new QTableView(this);
    tableViewLogging_->setObjectName(QStringLiteral("tableViewLogging"));
    tableViewLogging_->setModel(arrayControllerLogging_);
    tableViewLogging_->setItemDelegate(new TableRowViewDefault(tableViewLogging_));
    tableViewLogging_->setSelectionBehavior(QAbstractItemView::SelectRows);
    tableViewLogging_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    tableViewLogging_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tableViewLogging_->setShowGrid(false);
    tableViewLogging_->setWordWrap(false);
    tableViewLogging_->setTextElideMode(Qt::ElideRight);
    tableViewLogging_->verticalHeader()->hide();
    // Fixed row heights keep a long log cheap to lay out.
    tableViewLogging_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    tableViewLogging_->verticalHeader()->setDefaultSectionSize(tableViewLogging_->fontMetrics().height() + 4);
    QHeaderView* header = tableViewLogging_->horizontalHeader();
    header->setHighlightSections(false);
    header->setStretchLastSection(true);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->resizeSection(LogTableModel::ColumnType, 70);
    header->resizeSection(LogTableModel::ColumnTime, 100);
    header->resizeSection(LogTableModel::ColumnCaller, 280);
    tableViewLogging_->viewport()->installEventFilter(this);

    webView_ = new WebView(this);
    webView_->setObjectName(QStringLiteral("webView"));
    webView_->setLinkPolicy(WebView::LinkPolicy::OpenInBrowser);
    connect(webView_, &WebView::didFailLoad, this,
            [this](const QUrl&, const QString&) { webView_->setPlainText(newsUnavailableText()); });

    auto* toolbar = new QHBoxLayout;
    toolbar->setContentsMargins(8, 6, 8, 6);
    toolbar->addWidget(textFieldFilterLog_);
    toolbar->addStretch(1);
    toolbar->addWidget(buttonAutoScroll_);
    toolbar->addWidget(buttonClearLog_);

    splitter_ = new QSplitter(Qt::Vertical, this);
    splitter_->setObjectName(QStringLiteral("splitViewLog"));
    splitter_->setChildrenCollapsible(false);
    splitter_->addWidget(tableViewLogging_);
    splitter_->addWidget(webView_);
    splitter_->setStretchFactor(0, 3);
    splitter_->setStretchFactor(1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(toolbar);
    layout->addWidget(splitter_, 1);

    contextMenu_ = new QMenu(this);
    contextMenu_->setObjectName(QStringLiteral("contextMenuLog"));
    mnuItemCopyToClipboard_ = contextMenu_->addAction(QStringLiteral("Copy"));
    mnuItemSelectAll_ = contextMenu_->addAction(QStringLiteral("Select All"));
    contextMenu_->addSeparator();
    mnuItemDeletSelected_ = contextMenu_->addAction(QStringLiteral("Delete Selected"));
    mnuItemClearLog_ = contextMenu_->addAction(QStringLiteral("Clear Log"));
    contextMenu_->addSeparator();
    mnuItemAutoScroll_ = contextMenu_->addAction(QStringLiteral("Auto Scroll"));
    mnuItemAutoScroll_->setCheckable(true);
    connect(mnuItemCopyToClipboard_, &QAction::triggered, this, [this] { menuCopyToClipboardClicked(); });
    connect(mnuItemSelectAll_, &QAction::triggered, this, [this] { menuSelectAllClicked(); });
    connect(mnuItemDeletSelected_, &QAction::triggered, this, [this] { menuDeleteSelectedClicked(); });
    connect(mnuItemClearLog_, &QAction::triggered, this, [this] { menuClearLogClicked(); });
    connect(mnuItemAutoScroll_, &QAction::triggered, this, [this] { menuToggleAutoScrollClicked(); });
    connect(contextMenu_, &QMenu::aboutToShow, this, [this] { menuWillOpen(); });

    viewDidLoad();
}

LogVC::~LogVC()
{
    textFieldFilterLog_->setDelegate(nullptr);
}

void LogVC::viewDidLoad()
{
    connect(logger_, &Logger::logArrayDidChange, this, &LogVC::logArrayDidChange);
    QPalette p = tableViewLogging_->palette();
    p.setColor(QPalette::Base, srgb(0.945, 0.941, 0.941, 1.0));
    tableViewLogging_->setPalette(p);
    textFieldFilterLog_->setDelegate(this);
    enableAutoScroll();
}

void LogVC::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!viewIsActive_) viewDidAppear();
}

void LogVC::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (viewIsActive_ && !isVisible()) viewDidDisappear();
}

void LogVC::viewDidAppear()
{
    loadNewsPageFromWeb();
    rearrangeObjects();
    viewIsActive_ = true;
    if (autoScroll_) scrollToEnd();
}

void LogVC::viewDidDisappear()
{
    viewIsActive_ = false;
}

void LogVC::logArrayDidChange()
{
    // Rows the logger removed are gone at once; the table must not show them
    // even while the page is hidden.
    const bool shrank = logger_->logArray().size() < model_->rowCount();
    if (!viewIsActive_ && !shrank) return;
    rearrangeObjects();
    if (viewIsActive_ && autoScroll_) scrollToEnd();
}

void LogVC::rearrangeObjects()
{
    model_->syncWithLogger();
}

QString LogVC::newsUnavailableText()
{
    return QStringLiteral("The news page is not available right now.");
}

void LogVC::loadNewsPageFromWeb()
{
    const QString address = UserDefaults::standard().stringForKey(QStringLiteral("htmlLinkAppNews"));
    webView_->loadRequest(QUrl(address));
}

void LogVC::toggleAutoScroll()
{
    if (autoScroll_)
        disableAutoScroll();
    else
        enableAutoScroll();
}

void LogVC::enableAutoScroll()
{
    buttonAutoScroll_->setChecked(true);
    mnuItemAutoScroll_->setChecked(true);
    autoScroll_ = true;
    scrollToEnd();
}

void LogVC::disableAutoScroll()
{
    buttonAutoScroll_->setChecked(false);
    mnuItemAutoScroll_->setChecked(false);
    autoScroll_ = false;
}

void LogVC::scrollToEnd()
{
    tableViewLogging_->scrollToBottom();
}

QList<int> LogVC::getSelectedIndexSet() const
{
    QList<int> rows;
    for (const QModelIndex& index : tableViewLogging_->selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    const bool clickedIsValid = clickedRow_ >= 0 && clickedRow_ < arrayControllerLogging_->rowCount();
    if (clickedIsValid && !rows.contains(clickedRow_)) return {clickedRow_};
    return rows;
}

QList<LogClass> LogVC::getAllSelectedObjectsFromIndexSet(const QList<int>& rows) const
{
    QList<LogClass> entries;
    for (const int row : rows) {
        const QModelIndex source =
            arrayControllerLogging_->mapToSource(arrayControllerLogging_->index(row, 0));
        if (const LogClass* entry = model_->entryAt(source.isValid() ? source.row() : -1))
            entries.append(*entry);
    }
    return entries;
}

std::optional<LogClass> LogVC::getFirstSelectedObject() const
{
    const QList<LogClass> entries = getAllSelectedObjectsFromIndexSet(getSelectedIndexSet());
    if (entries.isEmpty()) return std::nullopt;
    return entries.first();
}

void LogVC::copySelectionToClipboard()
{
    QString text;
    for (const LogClass& entry : getAllSelectedObjectsFromIndexSet(getSelectedIndexSet()))
        text += sformat(u"%@ %@ %@\n", entry.type, entry.time, entry.message);
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text);
}

void LogVC::selectAll()
{
    tableViewLogging_->selectAll();
}

void LogVC::deleteSelected()
{
    // Rows of the filtered arrangement name entries of the logger's list
    // through the proxy.
    QList<int> sourceRows;
    for (const int row : getSelectedIndexSet()) {
        const QModelIndex source =
            arrayControllerLogging_->mapToSource(arrayControllerLogging_->index(row, 0));
        if (source.isValid()) sourceRows.append(source.row());
    }
    if (sourceRows.isEmpty()) return;
    logger_->removeObjects(sourceRows);
}

void LogVC::clearLog()
{
    logger_->removeAllObjects();
}

void LogVC::controlTextDidChange(TVLTextField* field)
{
    (void)field;
    filterTableView();
}

void LogVC::filterTableView()
{
    arrayControllerLogging_->setFilterText(textFieldFilterLog_->stringValue());
}

void LogVC::menuWillOpen()
{
    mnuItemSelectAll_->setEnabled(true);
    mnuItemClearLog_->setEnabled(true);
    const bool any = !getSelectedIndexSet().isEmpty();
    mnuItemCopyToClipboard_->setEnabled(any);
    mnuItemDeletSelected_->setEnabled(any);
}

void LogVC::showContextMenu(int row, const QPoint& globalPos)
{
    clickedRow_ = row;
    contextMenu_->exec(globalPos);
    clickedRow_ = -1;
}

bool LogVC::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != tableViewLogging_->viewport()) return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        // A right click leaves the selection as it is; the menu acts on the
        // clicked row alone when it lies outside the selection.
        if (static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) return true;
        break;
    case QEvent::ContextMenu: {
        auto* e = static_cast<QContextMenuEvent*>(event);
        const int row =
            e->reason() == QContextMenuEvent::Mouse ? tableViewLogging_->indexAt(e->pos()).row() : -1;
        showContextMenu(row, e->globalPos());
        return true;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}
