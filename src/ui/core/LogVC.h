#pragma once

#include "controls/TVLTextFieldDelegate.h"
#include "core/LogClass.h"

#include <QList>
#include <QWidget>

#include <optional>

class LogFilterProxyModel;
class LogTableModel;
class Logger;
class QAction;
class QMenu;
class QPushButton;
class QSplitter;
class QTableView;
class TVLTextField;
class WebView;

// The log page: the logger's entries as a filterable table, with copy,
// delete and clear, an auto-scroll switch and the application-news page
// below the table. Entries arrive in the logger's batches; while the page is
// hidden the table is left alone and catches up when the page appears.
class LogVC : public QWidget, public TVLTextFieldDelegate
{
    Q_OBJECT
public:
    explicit LogVC(QWidget* parent = nullptr);
    ~LogVC() override;

    // Actions.
    void btnClearLogClicked() { clearLog(); }
    void menuClearLogClicked() { clearLog(); }
    void btnAutoScrollClicked() { toggleAutoScroll(); }
    void menuToggleAutoScrollClicked() { toggleAutoScroll(); }
    void menuCopyToClipboardClicked() { copySelectionToClipboard(); }
    void menuSelectAllClicked() { selectAll(); }
    void menuDeleteSelectedClicked() { deleteSelected(); }

    void clearLog();
    void toggleAutoScroll();
    void enableAutoScroll();
    void disableAutoScroll();
    void scrollToEnd();
    // One line "type time message" per entry of getSelectedIndexSet(); the
    // caller is not copied.
    void copySelectionToClipboard();
    void selectAll();
    // Removes the entries from the page only; the log file keeps its lines.
    void deleteSelected();
    void filterTableView();
    void loadNewsPageFromWeb();

    // Rows of the table as it shows them (the filtered arrangement): the
    // selected ones, unless a right-clicked row lies outside the selection;
    // then that row alone.
    QList<int> getSelectedIndexSet() const;
    QList<LogClass> getAllSelectedObjectsFromIndexSet(const QList<int>& rows) const;
    std::optional<LogClass> getFirstSelectedObject() const;
    // Enables the context menu's items for the rows it would act on.
    void menuWillOpen();

    void controlTextDidChange(TVLTextField* field) override;

    QTableView* tableViewLogging() const { return tableViewLogging_; }
    WebView* webView() const { return webView_; }
    QPushButton* buttonAutoScroll() const { return buttonAutoScroll_; }
    QPushButton* buttonClearLog() const { return buttonClearLog_; }
    TVLTextField* textFieldFilterLog() const { return textFieldFilterLog_; }
    QMenu* contextMenu() const { return contextMenu_; }
    QAction* mnuItemCopyToClipboard() const { return mnuItemCopyToClipboard_; }
    QAction* mnuItemSelectAll() const { return mnuItemSelectAll_; }
    QAction* mnuItemDeletSelected() const { return mnuItemDeletSelected_; }
    QAction* mnuItemClearLog() const { return mnuItemClearLog_; }
    QAction* mnuItemAutoScroll() const { return mnuItemAutoScroll_; }
    LogFilterProxyModel* arrayControllerLogging() const { return arrayControllerLogging_; }
    LogTableModel* logTableModel() const { return model_; }
    bool viewIsActive() const { return viewIsActive_; }
    bool autoScroll() const { return autoScroll_; }
    // The row the open context menu was asked for; -1 otherwise.
    int clickedRow() const { return clickedRow_; }

    // The text shown in place of the news page when it cannot be loaded.
    static QString newsUnavailableText();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void viewDidLoad();
    void viewDidAppear();
    void viewDidDisappear();
    void logArrayDidChange();
    void rearrangeObjects();
    void showContextMenu(int row, const QPoint& globalPos);

    Logger* logger_;
    LogTableModel* model_;
    LogFilterProxyModel* arrayControllerLogging_;
    QSplitter* splitter_ = nullptr;
    QTableView* tableViewLogging_ = nullptr;
    WebView* webView_ = nullptr;
    QPushButton* buttonAutoScroll_ = nullptr;
    QPushButton* buttonClearLog_ = nullptr;
    TVLTextField* textFieldFilterLog_ = nullptr;
    QMenu* contextMenu_ = nullptr;
    QAction* mnuItemCopyToClipboard_ = nullptr;
    QAction* mnuItemSelectAll_ = nullptr;
    QAction* mnuItemDeletSelected_ = nullptr;
    QAction* mnuItemClearLog_ = nullptr;
    QAction* mnuItemAutoScroll_ = nullptr;
    bool viewIsActive_ = false;
    bool autoScroll_ = false;
    int clickedRow_ = -1;
};
