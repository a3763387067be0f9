#pragma once

#include <QPointer>
#include <QWidget>

class ButtonCellToggleConnect;
class ConnectionsController;
class ConnectionsTableModel;
class QLabel;
class QMenu;
class QTableView;

// The connections page of the main window's lower pane: one row per
// connection slot of every enabled news server with what it is doing, a
// summary of the servers and connections in use, a reset of chosen
// connections and the button that switches all connections off and on.
// The page only shows the engine's rows and forwards the two commands.
// Main thread only.
class ConnectionsVC : public QWidget
{
    Q_OBJECT
public:
    explicit ConnectionsVC(QWidget* parent = nullptr);
    ~ConnectionsVC() override;

    // Given by the main window before the view loads; not owned.
    void setConnectionsController(ConnectionsController* controller);
    void viewDidLoad();

    // "%ld active %@   -   %ld %@".
    static QString summaryText(qint64 serversInUse, qint64 openConnections);
    void updateSummary();

    void menuToggleConnections();
    void toggleConnectionsClicked();
    void mnuResetConnectionsClicked();
    QList<int> getSelectedIndexSet() const;
    void setClickedRow(int row) { clickedRow_ = row; }

    QTableView* tableView() const { return tableView_; }
    ConnectionsTableModel* model() const { return model_; }
    QLabel* connectionsInfoTextField() const { return connectionsInfoTextField_; }
    ButtonCellToggleConnect* btnToggleConnections() const { return btnToggleConnections_; }
    QMenu* contextMenu() const { return contextMenu_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void updateRefreshRange();

    QPointer<ConnectionsController> connectionsController_;
    ConnectionsTableModel* model_ = nullptr;
    QTableView* tableView_ = nullptr;
    QLabel* connectionsInfoTextField_ = nullptr;
    ButtonCellToggleConnect* btnToggleConnections_ = nullptr;
    QMenu* contextMenu_ = nullptr;
    int clickedRow_ = -1;
    bool loaded_ = false;
};
