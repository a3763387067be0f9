#include "ui/queue/QueueTableModel.h"

#include "core/Logger.h"
#include "queue/QueueController.h"
#include "queue/StatusCodes.h"

#include <QMimeData>
#include <QSet>

#include <algorithm>

QueueRowTexts QueueRowTexts::forJob(const Queue& job)
{
    QueueRowTexts t;
    t.title = job.titleWillChange() && !job.newtitle().isEmpty() ? job.newtitle() : job.title();
    if (!job.titleSuffix().isEmpty()) t.title += job.titleSuffix();
    t.comment = job.commentTextField();
    t.hasPassword = job.hasPassword();
    if (hasEnded(job.status())) {
        // The texts of the last step (an extraction that reported nothing
        // shows "0 %") are not what a finished job is: it holds all it was
        // asked for, and nothing is left.
        t.size = job.totalBytesTextField();
        t.progress = QStringLiteral("100 %");
        return t;
    }
    t.progress = job.progressBarValueTextField();
    // The engine writes "left (total)" once bytes are counted down; before
    // that only the total is known.
    t.size =
        job.totalBytesLeftTextField().isEmpty() ? job.totalBytesTextField() : job.totalBytesLeftTextField();
    // The estimate stands while the job transfers (also while it is paused
    // there); once its articles are in, no time is left.
    if (job.showTimeleft()) t.timeLeft = job.timeLeftTextField();
    t.completeness = job.completenessTextField();
    return t;
}

bool QueueRowTexts::hasEnded(qint64 status)
{
    return status == JobStatus::Finished || status == JobStatus::PartialFinished ||
           status == UploadStatus::Finished;
}

QueueTableModel::QueueTableModel(QObject* parent)
    : QAbstractListModel(parent),
      poller_(
          [this](int r) {
              // A row never painted is bound when it is first shown.
              Row& row = rows_[size_t(r)];
              return row.binding && bind(row);
          },
          [this](int first, int last) { Q_EMIT dataChanged(index(first), index(last)); })
{
    poller_.setRowCount([this] { return int(rows_.size()); });
    poller_.setBeforeEachLook([this] { syncWithController(); });
}

QueueTableModel::~QueueTableModel() = default;

void QueueTableModel::setQueueController(QueueController* controller)
{
    if (queueController_) disconnect(queueController_, nullptr, this, nullptr);
    queueController_ = controller;
    if (controller)
        connect(controller, &QueueController::queueArrayDidChange, this,
                &QueueTableModel::syncWithController);
    reloadData();
}

int QueueTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

QVariant QueueTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= int(rows_.size())) return {};
    const Row& row = rows_[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return binding(index.row())->texts.title;
    case JobRole:
        return QVariant::fromValue(row.job);
    default:
        return {};
    }
}

Qt::ItemFlags QueueTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid()) return Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
}

QStringList QueueTableModel::mimeTypes() const
{
    return {dragType()};
}

QMimeData* QueueTableModel::mimeData(const QModelIndexList& /*indexes*/) const
{
    // The dragged jobs stay in the table's memory; the drag carries only its
    // private type, which nothing outside this table accepts.
    auto* data = new QMimeData;
    data->setData(dragType(), QByteArray());
    return data;
}

QueuePtr QueueTableModel::jobAt(int row) const
{
    if (row < 0 || row >= int(rows_.size())) return nullptr;
    return rows_[size_t(row)].job;
}

int QueueTableModel::rowOf(const QueuePtr& job) const
{
    for (size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].job == job) return int(i);
    return -1;
}

QueueTableModel::Binding* QueueTableModel::binding(int row) const
{
    if (row < 0 || row >= int(rows_.size())) return nullptr;
    Row& r = rows_[size_t(row)];
    if (!r.binding) {
        r.binding = std::make_unique<Binding>();
        bind(r);
    }
    return r.binding.get();
}

bool QueueTableModel::bind(Row& row) const
{
    Binding& b = *row.binding;
    const Queue& job = *row.job;
    bool changed = !b.bound;
    b.bound = true;

    // The progress bar: value, tint, and stripes and layout while shown.
    const double progress = double(job.progressBarValue());
    if (progress != b.progress) {
        b.progress = progress;
        b.progressBar.setFloatValue(progress);
        changed = true;
    }
    const QColor tint = job.colorProgressBar();
    if (tint != b.colorProgressBar) {
        b.colorProgressBar = tint;
        b.progressBar.setColorTint(tint);
        changed = true;
    }
    const int visible = job.progressBarVisible() ? 1 : 0;
    if (visible != b.visible) {
        b.visible = visible;
        b.progressBar.setAnimates(visible == 1);
        b.progressBar.setCollapsed(visible == 0);
        changed = true;
    }
    // The status button follows the job's pause first, then its status, as
    // a paused button ignores status changes.
    const int paused = job.isPaused() ? 1 : 0;
    if (paused != b.paused) {
        b.paused = paused;
        b.statusButton.setIsPaused(paused == 1);
        changed = true;
    }
    const qint64 status = job.status();
    if (status != b.status) {
        b.status = status;
        b.statusButton.setStatus(status);
        changed = true;
    }
    const QColor strip = job.colorStatsButton();
    if (strip != b.colorStatsButton) {
        b.colorStatsButton = strip;
        changed = true;
    }
    const int bordered = job.isBordered() ? 1 : 0;
    if (bordered != b.bordered) {
        b.bordered = bordered;
        changed = true;
    }
    QueueRowTexts texts = QueueRowTexts::forJob(job);
    if (!(texts == b.texts)) {
        b.texts = std::move(texts);
        changed = true;
    }
    return changed;
}

void QueueTableModel::refreshRows(int first, int last)
{
    poller_.refreshRows(first, last, int(rows_.size()));
}

void QueueTableModel::setRefreshRange(int first, int last)
{
    poller_.setRange(first, queueController_ ? last : -1);
}

void QueueTableModel::moveRowLocally(int from, int to)
{
    const int n = int(rows_.size());
    if (from == to || from < 0 || to < 0 || from >= n || to >= n) return;
    beginMoveRows(QModelIndex(), from, from, QModelIndex(), to > from ? to + 1 : to);
    Row moved = std::move(rows_[size_t(from)]);
    rows_.erase(rows_.begin() + from);
    rows_.insert(rows_.begin() + to, std::move(moved));
    endMoveRows();
}

QueueTableModel::Row QueueTableModel::makeRow(const QueuePtr& job) const
{
    Row r;
    r.job = job;
    return r;
}

void QueueTableModel::syncWithController()
{
    const QList<QueuePtr> list = queueController_ ? queueController_->queueArray() : QList<QueuePtr>();

    // The usual change is one run of jobs added or removed in one place:
    // what lies before and after it is the same, and only the run moves.
    const qsizetype n = list.size();
    const qsizetype m = qsizetype(rows_.size());
    qsizetype prefix = 0;
    while (prefix < n && prefix < m && rows_[size_t(prefix)].job == list[prefix])
        ++prefix;
    if (prefix == n && prefix == m) return;
    qsizetype suffix = 0;
    while (suffix < n - prefix && suffix < m - prefix &&
           rows_[size_t(m - 1 - suffix)].job == list[n - 1 - suffix])
        ++suffix;
    if (prefix + suffix == m) {
        beginInsertRows(QModelIndex(), int(prefix), int(n - suffix - 1));
        for (qsizetype k = prefix; k < n - suffix; ++k)
            rows_.insert(rows_.begin() + k, makeRow(list[k]));
        endInsertRows();
        return;
    }
    if (prefix + suffix == n) {
        beginRemoveRows(QModelIndex(), int(prefix), int(m - suffix - 1));
        rows_.erase(rows_.begin() + prefix, rows_.begin() + (m - suffix));
        endRemoveRows();
        return;
    }

    QSet<const Queue*> wanted;
    wanted.reserve(list.size());
    for (const QueuePtr& q : list)
        wanted.insert(q.get());

    // Removals, as runs of adjacent rows, from the end.
    for (int i = int(rows_.size()) - 1; i >= 0;) {
        if (wanted.contains(rows_[size_t(i)].job.get())) {
            --i;
            continue;
        }
        int first = i;
        while (first > 0 && !wanted.contains(rows_[size_t(first - 1)].job.get()))
            --first;
        beginRemoveRows(QModelIndex(), first, i);
        rows_.erase(rows_.begin() + first, rows_.begin() + i + 1);
        endRemoveRows();
        i = first - 1;
    }

    // Insertions, as runs, where the list has jobs the rows lack.
    QSet<const Queue*> present;
    present.reserve(int(rows_.size()));
    for (const Row& r : rows_)
        present.insert(r.job.get());
    for (int j = 0; j < list.size();) {
        if (present.contains(list[j].get())) {
            ++j;
            continue;
        }
        int end = j;
        while (end + 1 < list.size() && !present.contains(list[end + 1].get()))
            ++end;
        const int at = std::min(j, int(rows_.size()));
        beginInsertRows(QModelIndex(), at, at + (end - j));
        for (int k = j; k <= end; ++k)
            rows_.insert(rows_.begin() + at + (k - j), makeRow(list[k]));
        endInsertRows();
        j = end + 1;
    }

    // Anything else is an order the engine changed without telling: one
    // layout change keeps the bindings and the selection.
    bool sameOrder = int(rows_.size()) == list.size();
    for (int k = 0; sameOrder && k < list.size(); ++k)
        sameOrder = rows_[size_t(k)].job == list[k];
    if (sameOrder) return;
    Q_EMIT layoutAboutToBeChanged();
    const QModelIndexList before = persistentIndexList();
    QList<QueuePtr> beforeJobs;
    for (const QModelIndex& i : before)
        beforeJobs << jobAt(i.row());
    QHash<const Queue*, size_t> at;
    for (size_t k = 0; k < rows_.size(); ++k)
        at.insert(rows_[k].job.get(), k);
    std::vector<Row> reordered;
    reordered.reserve(size_t(list.size()));
    for (const QueuePtr& q : list)
        reordered.push_back(std::move(rows_[at.value(q.get())]));
    rows_ = std::move(reordered);
    QModelIndexList after;
    for (const QueuePtr& q : beforeJobs)
        after << index(rowOf(q));
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged();
}

void QueueTableModel::reloadData()
{
    beginResetModel();
    rows_.clear();
    if (queueController_)
        for (const QueuePtr& q : queueController_->queueArray())
            rows_.push_back(makeRow(q));
    endResetModel();
}
