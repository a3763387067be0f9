#pragma once

#include "nntp/NNTPServerObject.h"

#include <QAbstractTableModel>
#include <QPointer>

class NNTPServersController;

// The rows of the news-server table: one per configured server, in the
// engine's order, showing the server's colour, name and address. The list
// itself is the engine's; the model only tells the view when it moved or
// changed.
class NewsServersTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { ColumnServer = 0, ColumnAddress = 1, ColumnCount };

    explicit NewsServersTableModel(QObject* parent = nullptr);

    void setNntpServersController(NNTPServersController* controller);
        NNTPServerObjectPtr serverAt(int row) const;
    int rowOf(const NNTPServerObjectPtr& server) const;

    // Moves the server at `from` to `to` in the engine's list (as one change
    // of the list) and tells the view.
    void moveServer(int from, int to);
    // The list changed in length or order behind the model's back.
    void reload();
    // A field of the server shown in `row` was edited.
    void serverChanged(int row);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    Qt::DropActions supportedDropActions() const override;

private:
    QPointer<NNTPServersController> controller_;
};
