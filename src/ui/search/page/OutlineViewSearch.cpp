#include "ui/search/page/OutlineViewSearch.h"

#include "controls/Artwork.h"
#include "core/DialogBoxes.h"
#include "core/Utils.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "queue/FODController.h"
#include "queue/QueueController.h"
#include "search/DeepLookupController.h"
#include "ui/search/page/OutlineCVSearchPassword.h"
#include "ui/search/page/OutlineCVSearchStatus.h"
#include "ui/search/page/OutlineCVSearchSubject.h"
#include "ui/search/page/OutlineRowViewSearch.h"
#include "ui/search/page/OutlineViewSearchModel.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QUrl>

namespace {

const QString kSortKey = QStringLiteral("deeplookupSortDescriptor");
const QString kHeaderKey = QStringLiteral("OutlineViewDeepLookup_v2");

} // namespace

OutlineViewSearch::OutlineViewSearch(QWidget* parent)
    : QTreeView(parent),
      model_(new OutlineViewSearchModel(this)),
      subjectDelegate_(new OutlineCVSearchSubject(this)),
      statusDelegate_(new OutlineCVSearchStatus(this)),
      passwordDelegate_(new OutlineCVSearchPassword(this)),
      rowView_(new OutlineRowViewSearch(this))
{
    setObjectName(QStringLiteral("outLineViewSearch"));
    setModel(model_);
    setUniformRowHeights(true);
    setAlternatingRowColors(false);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setAllColumnsShowFocus(true);
    setExpandsOnDoubleClick(false);
    setAnimated(false);
    setSortingEnabled(false);
    setItemDelegateForColumn(OutlineViewSearchModel::SubjectColumn, subjectDelegate_);
    setItemDelegateForColumn(OutlineViewSearchModel::StatusColumn, statusDelegate_);
    setItemDelegateForColumn(OutlineViewSearchModel::PasswordColumn, passwordDelegate_);
    setMouseTracking(true);
    // Selected rows take the row view's colours where the settings give them.
    QPalette pal = palette();
    if (rowView_->highLightColor().isValid()) pal.setColor(QPalette::Active, QPalette::Highlight, rowView_->highLightColor());
    if (rowView_->highLightInactiveColor().isValid())
        pal.setColor(QPalette::Inactive, QPalette::Highlight, rowView_->highLightInactiveColor());
    setPalette(pal);
    connect(rowView_, &OutlineRowViewSearch::needsDisplay, viewport(), qOverload<>(&QWidget::update));
    setTreePosition(OutlineViewSearchModel::SubjectColumn);
    setIconSize(QSize(14, 14));

    QHeaderView* h = header();
    h->setSectionsClickable(true);
    h->setSortIndicatorShown(true);
    h->setStretchLastSection(false);
    h->setMinimumSectionSize(22);
    h->resizeSection(OutlineViewSearchModel::NewOldColumn, 24);
    h->resizeSection(OutlineViewSearchModel::PasswordColumn, 24);
    h->resizeSection(OutlineViewSearchModel::SubjectColumn, 460);
    h->resizeSection(OutlineViewSearchModel::StatusColumn, 190);
    h->resizeSection(OutlineViewSearchModel::SizeColumn, 80);
    h->resizeSection(OutlineViewSearchModel::AgeColumn, 80);
    h->resizeSection(OutlineViewSearchModel::PosterColumn, 150);
    h->setSectionResizeMode(OutlineViewSearchModel::GroupsColumn, QHeaderView::Stretch);
    restoringHeader_ = true;
    const QByteArray state = QByteArray::fromBase64(UserDefaults::standard().stringForKey(kHeaderKey).toLatin1());
    if (!state.isEmpty()) h->restoreState(state);
    restoringHeader_ = false;
    loadLastUsedSortDescriptor();

    connect(h, &QHeaderView::sortIndicatorChanged, this, [this] { sortData(); });
    connect(h, &QHeaderView::sectionResized, this, [this] { saveHeaderState(); });
    connect(h, &QHeaderView::sectionMoved, this, [this] { saveHeaderState(); });
    connect(this, &QTreeView::expanded, this, &OutlineViewSearch::itemWillExpand);
    connect(this, &QAbstractItemView::doubleClicked, this, [this] { enterKeyPressed(); });
    connect(subjectDelegate_, &OutlineCVSearchSubject::checkboxClicked, this, &OutlineViewSearch::checkboxClicked);
    connect(model_, &QAbstractItemModel::modelReset, this, [this] {
        filelistAsked_.clear();
        updatePolledRange();
    });
    connect(model_, &QAbstractItemModel::layoutChanged, this, &OutlineViewSearch::updatePolledRange);
}

OutlineViewSearch::~OutlineViewSearch() = default;

DeepLookupController* OutlineViewSearch::deepLookupController() const
{
    return model_->deepLookupController();
}

void OutlineViewSearch::setDeepLookupController(DeepLookupController* controller)
{
    model_->setDeepLookupController(controller);
}

void OutlineViewSearch::setResults(const QList<QueuePtr>& results)
{
    model_->setResults(results);
}

void OutlineViewSearch::reloadItem(const QueuePtr& item)
{
    model_->reloadItem(item);
}

void OutlineViewSearch::sortData()
{
    const int column = header()->sortIndicatorSection();
    if (column < 0 || column >= OutlineViewSearchModel::ColumnCount) {
        model_->reloadAll();
        return;
    }
    model_->sortResults(column, header()->sortIndicatorOrder());
    saveLastUsedSortDescriptor();
}

void OutlineViewSearch::loadLastUsedSortDescriptor()
{
    // Stored as "<key> ascending" or "<key> descending".
    const QStringList parts = UserDefaults::standard().stringForKey(kSortKey).split(QLatin1Char(' '));
    int column = parts.size() == 2 ? OutlineViewSearchModel::columnForSortKey(parts[0]) : -1;
    Qt::SortOrder order = parts.value(1) == QLatin1String("descending") ? Qt::DescendingOrder : Qt::AscendingOrder;
    if (column < 0 || (parts[1] != QLatin1String("ascending") && parts[1] != QLatin1String("descending"))) {
        column = OutlineViewSearchModel::SubjectColumn;
        order = Qt::AscendingOrder;
    }
    const QSignalBlocker blocker(header());
    header()->setSortIndicator(column, order);
}

void OutlineViewSearch::saveLastUsedSortDescriptor() const
{
    const int column = header()->sortIndicatorSection();
    const QString key = OutlineViewSearchModel::sortKeyForColumn(column);
    if (key.isEmpty()) return;
    UserDefaults::standard().setString(
        key + (header()->sortIndicatorOrder() == Qt::AscendingOrder ? QStringLiteral(" ascending")
                                                                    : QStringLiteral(" descending")),
        kSortKey);
}

void OutlineViewSearch::saveHeaderState() const
{
    if (restoringHeader_) return;
    UserDefaults::standard().setString(QString::fromLatin1(header()->saveState().toBase64()), kHeaderKey);
}

QList<QueuePtr> OutlineViewSearch::getSelectedObjects() const
{
    QModelIndexList rows = selectionModel() ? selectionModel()->selectedRows() : QModelIndexList();
    // In row order as shown: a result before its parts.
    std::sort(rows.begin(), rows.end(), [this](const QModelIndex& a, const QModelIndex& b) {
        return visualRect(a).top() < visualRect(b).top();
    });
    QList<QueuePtr> items;
    for (const QModelIndex& i : rows)
        if (const QueuePtr item = model_->itemAt(i)) items << item;
    return items;
}

QueuePtr OutlineViewSearch::getObjectForQidnr(qint64 qidnr) const
{
    return model_->objectForQidnr(qidnr);
}

void OutlineViewSearch::checkboxStateChangedForQueue(const QueuePtr& item)
{
    if (!item) return;
    DeepLookupController* dl = deepLookupController();
    QueueController* qc = dl ? dl->queueController() : nullptr;
    if (!qc) return;
    if (item->isFilepart())
        qc->dpFilepartObjectCheckBoxClicked(item);
    else
        qc->dpRootQueueObjectCheckBoxClicked(item);
    reloadItem(item->isFilepart() ? item->queue() : item);
    reloadItem(item);
}

void OutlineViewSearch::checkboxClicked(qint64 qidnr, qint64 newState)
{
    const QueuePtr item = getObjectForQidnr(qidnr);
    if (!item) return;
    if (newState == 1 && (item->totalfiles() == 1 || item->isFilepart())) showDialogDoubleClick();
    item->setCheckbox(newState);
    checkboxStateChangedForQueue(item);
}

void OutlineViewSearch::pwdButtonClicked(qint64 qidnr)
{
    const QueuePtr item = getObjectForQidnr(qidnr);
    if (!item) return;
    NotificationHub::defaultCenter().post(QStringLiteral("ShowPasswordSheetForQueueArray"), this,
                                          {{QStringLiteral("queuearray"), QVariant::fromValue(QList<QueuePtr>{item})}});
}

void OutlineViewSearch::tickAndQueue(const QueuePtr& item)
{
    item->setCheckbox(1);
    checkboxStateChangedForQueue(item);
}

void OutlineViewSearch::cmdDKeyPressed()
{
    for (const QueuePtr& item : getSelectedObjects()) tickAndQueue(item);
}

void OutlineViewSearch::enterKeyPressed()
{
    const QList<QueuePtr> selected = getSelectedObjects();
    if (selected.isEmpty()) return;
    const bool execute = UserDefaults::standard().boolForKey(QStringLiteral("executeDoubleClick"));
    DeepLookupController* dl = deepLookupController();
    QueueController* qc = dl ? dl->queueController() : nullptr;
    for (const QueuePtr& item : selected) {
        if (!execute) {
            tickAndQueue(item);
            continue;
        }
        QueuePtr file;
        if (item->isFilepart())
            file = item;
        else if (item->totalfiles() == 1)
            file = item->fileparts().value(0);
        if (!file) {
            tickAndQueue(item);
            continue;
        }
        FODController* fod = qc ? qc->fodController() : nullptr;
        if (const FODObjectPtr onDisk = fod ? fod->searchFileForFilePart(file) : FODObjectPtr();
            onDisk && !onDisk->folder().isEmpty()) {
            // With its article: a text file opens in the message viewer,
            // which shows its poster and answers it.
            Utils::executeFile(onDisk->folder(), onDisk->filename(), QVariant::fromValue(file));
            continue;
        }
        file->setExecute(true);
        tickAndQueue(item);
    }
}

void OutlineViewSearch::showDialogDoubleClick()
{
    UserDefaults& d = UserDefaults::standard();
    if (dialogDoubleClickShown_ || !d.boolForKey(QStringLiteral("showDialogDoubleClick")) ||
        !d.boolForKey(QStringLiteral("executeDoubleClick")))
        return;
    dialogDoubleClickShown_ = true;
    if (DialogBoxes::alertBoxDefaultWithNotShowAgain(
            QStringLiteral("Tip: Double-click to download and launch"),
            QStringLiteral("When you double-click or press enter on an article then it will be launched after it is "
                           "downloaded.\n\nExample: When you double-click on a jpg article, the jpg picture will be "
                           "shown when downloaded.")))
        d.setBool(false, QStringLiteral("showDialogDoubleClick"));
}

void OutlineViewSearch::itemWillExpand(const QModelIndex& index)
{
    const QueuePtr item = model_->itemAt(index);
    if (!item || item->isFilepart() || item->filepartCount() > 0 || filelistAsked_.contains(item->qidnr())) return;
    filelistAsked_.insert(item->qidnr());
    DeepLookupController* dl = deepLookupController();
    if (QueueController* qc = dl ? dl->queueController() : nullptr) qc->getFilelistForDPQueue(item);
}

void OutlineViewSearch::keyPressEvent(QKeyEvent* event)
{
    if (event->modifiers() == Qt::ControlModifier && event->key() == Qt::Key_D) {
        cmdDKeyPressed();
        return;
    }
    if (!(event->modifiers() & Qt::ControlModifier) &&
        (event->key() == Qt::Key_Enter || event->key() == Qt::Key_Return)) {
        enterKeyPressed();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void OutlineViewSearch::mouseReleaseEvent(QMouseEvent* event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    QTreeView::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton || index.column() != OutlineViewSearchModel::PasswordColumn) return;
    if (const QueuePtr item = model_->itemAt(index); item && item->hasPassword()) pwdButtonClicked(item->qidnr());
}

void OutlineViewSearch::paintEvent(QPaintEvent* event)
{
    subjectDelegate_->readHighlightSettings();
    QTreeView::paintEvent(event);
}

// The row's state colour (or the selection's), its separator and the hover
// darkening span the whole row, indentation included.
void OutlineViewSearch::drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const bool selected = selectionModel() && selectionModel()->isSelected(index);
    const bool emphasized = hasFocus() && isActiveWindow();
    rowView_->drawRow(*painter, option.rect, index.data(OutlineViewSearchModel::RowColorRole).value<QColor>(),
                      selected, emphasized, hoveredRow_.isValid() && hoveredRow_ == index.siblingAtColumn(0));
    QTreeView::drawRow(painter, option, index);
}

void OutlineViewSearch::drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const
{
    // A result with files carries the disclosure button; its files none.
    if (!model_->hasChildren(index)) return;
    const QRect own(rect.right() - indentation() + 1, rect.top(), indentation(), rect.height());
    disclosure_.draw(*painter, own, isExpanded(index));
}

void OutlineViewSearch::mouseMoveEvent(QMouseEvent* event)
{
    QTreeView::mouseMoveEvent(event);
    const QModelIndex row = indexAt(event->position().toPoint()).siblingAtColumn(0);
    if (row == hoveredRow_) return;
    const QModelIndex before = hoveredRow_;
    hoveredRow_ = row;
    if (before.isValid()) viewport()->update(visualRect(before).adjusted(-10000, 0, 10000, 0));
    if (row.isValid()) viewport()->update(visualRect(row).adjusted(-10000, 0, 10000, 0));
}

void OutlineViewSearch::leaveEvent(QEvent* event)
{
    QTreeView::leaveEvent(event);
    hoveredRow_ = QModelIndex();
    viewport()->update();
}

void OutlineViewSearch::scrollContentsBy(int dx, int dy)
{
    QTreeView::scrollContentsBy(dx, dy);
    updatePolledRange();
}

void OutlineViewSearch::resizeEvent(QResizeEvent* event)
{
    QTreeView::resizeEvent(event);
    updatePolledRange();
}

// Only the results on screen are looked at for engine changes.
void OutlineViewSearch::updatePolledRange()
{
    const auto topLevelRow = [this](const QModelIndex& i) {
        return i.parent().isValid() ? i.parent().row() : i.row();
    };
    const QModelIndex top = indexAt(QPoint(1, 1));
    if (!top.isValid()) {
        model_->poller().setRange(0, -1);
        return;
    }
    QModelIndex bottom = indexAt(QPoint(1, viewport()->height() - 2));
    const int last = bottom.isValid() ? topLevelRow(bottom) : model_->rowCount() - 1;
    model_->poller().setRange(topLevelRow(top), last);
}
