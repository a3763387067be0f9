#pragma once

#include <QPointer>
#include <QWidget>

class CleanupItemsController;
class CleanupItemsTableModel;
class QAction;
class QMenu;
class QPushButton;
class QTableView;

// The user's cleanup patterns (files removed from a finished download):
// a table to tick, edit, add and remove them, with a context menu and
// +/- buttons. The engine saves the list; this only edits it.
class PrefsCleanupTable : public QWidget
{
    Q_OBJECT
public:
    PrefsCleanupTable(CleanupItemsController* controller, QWidget* parent = nullptr);

    QTableView* tableViewCleanUpItems() const { return table_; }
    QAction* menuItemAdd() const { return menuItemAdd_; }
    QAction* menuItemRemove() const { return menuItemRemove_; }

    // A new pattern at the top, its pattern cell open for typing.
    void insertCleanupItem();
    // Asks, then removes the chosen patterns.
    void removeCleanupItem();
    // The rows a command acts on: the selection, or the right-clicked row
    // alone when it is outside the selection.
    QList<qsizetype> getSelectedFilesIndexSet() const;
    void menuWillOpen();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<CleanupItemsController> controller_;
    CleanupItemsTableModel* model_;
    QTableView* table_;
    QMenu* menu_;
    QAction* menuItemAdd_;
    QAction* menuItemRemove_;
    QPushButton* btnAdd_;
    QPushButton* btnRemove_;
    int clickedRow_ = -1;
};
