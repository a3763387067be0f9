#include "ui/core/LogTableModel.h"

#include "core/Logger.h"

LogTableModel::LogTableModel(Logger* logger, QObject* parent)
    : QAbstractTableModel(parent), logger_(logger), shownCount_(int(logger->logArray().size()))
{}

int LogTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : shownCount_;
}

int LogTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

const LogClass* LogTableModel::entryAt(int row) const
{
    const QList<LogClass>& list = logger_->logArray();
    // The list may be shorter than the rows shown for a moment: between a
    // removal and the reset that follows it.
    if (row < 0 || row >= shownCount_ || row >= list.size()) return nullptr;
    return &list.at(row);
}

QVariant LogTableModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole) return QVariant();
    const LogClass* entry = entryAt(index.row());
    if (!entry) return QVariant();
    switch (index.column()) {
    case ColumnType:
        return entry->type;
    case ColumnTime:
        return entry->time;
    case ColumnCaller:
        return entry->caller;
    case ColumnMessage:
        return entry->message;
    default:
        return QVariant();
    }
}

QVariant LogTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return QVariant();
    switch (section) {
    case ColumnType:
        return QStringLiteral("Type");
    case ColumnTime:
        return QStringLiteral("Time");
    case ColumnCaller:
        return QStringLiteral("Caller");
    case ColumnMessage:
        return QStringLiteral("Message");
    default:
        return QVariant();
    }
}

void LogTableModel::syncWithLogger()
{
    const int count = int(logger_->logArray().size());
    if (count > shownCount_) {
        beginInsertRows(QModelIndex(), shownCount_, count - 1);
        shownCount_ = count;
        endInsertRows();
    } else if (count < shownCount_) {
        beginResetModel();
        shownCount_ = count;
        endResetModel();
    }
}
