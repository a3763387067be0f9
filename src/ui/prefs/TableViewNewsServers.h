#pragma once

#include "nntp/NNTPServerObject.h"

#include <QList>
#include <QTableView>

class NewsServersTableModel;
class NNTPServersController;

// The news-server list of the settings page. Its rows are reordered by
// dragging them inside this table (never from elsewhere): the dragged servers
// land as one block above the drop row, in the order they had.
class TableViewNewsServers : public QTableView
{
    Q_OBJECT
public:
    static constexpr const char* kDragType = "com.tavilsoft.binorama.nntpserversTV";

    explicit TableViewNewsServers(QWidget* parent = nullptr);

    void setNntpServersController(NNTPServersController* controller);
    NewsServersTableModel* serversModel() const { return model_; }
    NNTPServerObjectPtr selectedServer() const;
    int selectedRow() const;
    QList<int> selectedRows() const;
    void selectRow(int row);

    // The drag as the table runs it; public so that a test can drive it
    // without a mouse.
    void beginDrag(const QList<int>& rows);
    bool acceptDrop(int row);
    void endDrag() { draggedObjectsArray_.clear(); }
    void moveRowObject(const NNTPServerObjectPtr& server, int row);
    const QList<NNTPServerObjectPtr>& draggedObjects() const { return draggedObjectsArray_; }

protected:
    // Ctrl+Up and Ctrl+Down move the selected server, as a drag does.
    void keyPressEvent(QKeyEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool isOwnDrag(const QDropEvent* event) const;
    int dropRowAt(const QPoint& position) const;

    NewsServersTableModel* model_;
    QList<NNTPServerObjectPtr> draggedObjectsArray_;
};
