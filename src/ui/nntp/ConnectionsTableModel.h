#pragma once

#include "controls/RowRefreshPoller.h"
#include "nntp/NNTPServerObject.h"

#include <QAbstractTableModel>
#include <QPointer>

#include <optional>
#include <vector>

class NNTPServersController;

// What one row of the connections table shows.
struct ConnectionRow
{
    qint64 nr = 0;
    QString alias;
    QString filename;
    QString title;
    QString lastresponse;

    static ConnectionRow forObject(const TVConnectionsObject& object);
    bool operator==(const ConnectionRow&) const = default;
};

// The rows of the connections page: the server list's
// `arrayTableViewConnections`, in order. A connection rewrites its row on
// every command it sends, thousands of times a second on a fast line; the
// rows on screen are looked at ten times a second instead and repainted
// only when they show something new. Main thread only.
class ConnectionsTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    // The rows' `status` is written by no connection: it gets no column.
    enum Column { NrColumn, ServerColumn, FileColumn, TitleColumn, ResponseColumn, ColumnCount };

    explicit ConnectionsTableModel(QObject* parent = nullptr);

    void setNntpServersController(NNTPServersController* servers);
    TVConnectionsObjectPtr objectAt(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    const ConnectionRow& rowView(int row) const;
    RowRefreshPoller& poller() { return poller_; }
    void reloadRows();

private:
    bool refreshRow(int row);

    QPointer<NNTPServersController> servers_;
    QList<TVConnectionsObjectPtr> objects_;
    mutable std::vector<std::optional<ConnectionRow>> rows_;
    RowRefreshPoller poller_;
};
