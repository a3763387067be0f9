#include "ui/posting/UploadFilesTableModel.h"

#include "core/Utils.h"
#include "posting/UploadFileList.h"

#include <QFileInfo>

UploadFilesTableModel::UploadFilesTableModel(const UploadFileList* list, QObject* parent)
    : QAbstractTableModel(parent)
    , list_(list)
{
}

void UploadFilesTableModel::reload()
{
    beginResetModel();
    endResetModel();
}

int UploadFilesTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(list_->rows().size());
}

int UploadFilesTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant UploadFilesTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= list_->rows().size()) return {};
    const UploadFileItem& row = list_->rows()[index.row()];
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
        case NameColumn: return row.filename;
        case FilesColumn: return row.totalFiles;
        case SizeColumn: return Utils::formatBytes(row.bytes);
        default: return {};
        }
    }
    if (role == Qt::ToolTipRole) return row.fileUrl;
    if (role == Qt::DecorationRole && index.column() == NameColumn)
        return row.isFolder ? icons_.icon(QFileIconProvider::Folder) : icons_.icon(QFileInfo(row.fileUrl));
    if (role == Qt::TextAlignmentRole && index.column() != NameColumn)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant UploadFilesTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
    case NameColumn: return QStringLiteral("Name");
    case FilesColumn: return QStringLiteral("Files");
    case SizeColumn: return QStringLiteral("Size");
    default: return {};
    }
}
