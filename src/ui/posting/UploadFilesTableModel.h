#pragma once

#include <QAbstractTableModel>
#include <QFileIconProvider>

class UploadFileList;

// The compose window's file rows: icon and name, number of files, size.
class UploadFilesTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { NameColumn = 0, FilesColumn = 1, SizeColumn = 2, ColumnCount };

    explicit UploadFilesTableModel(const UploadFileList* list, QObject* parent = nullptr);

    // The list changed: views read it again.
    void reload();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    const UploadFileList* list_;
    QFileIconProvider icons_;
};
