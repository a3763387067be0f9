#pragma once

#include "ui/search/panes/SearchPaneWindow.h"

#include <QPointer>

class QHBoxLayout;
class QLayout;
class QPushButton;
class SearchHistoryController;

// What the windows that name and save search entries (editing a history
// entry, creating or editing a bookmark, making bookmarks) share: Cancel
// beside a default save button under the window's fields, and a save that
// refuses an empty name with a message and keeps the window open.
class SearchEntryWindow : public SearchPaneWindow
{
    Q_OBJECT
public:
    QPushButton* btnSave() const { return btnSave_; }
    QPushButton* btnCancel() const { return btnCancel_; }

    void btnSaveClicked();
    void btnCancelClicked();

protected:
    SearchEntryWindow(SearchHistoryController* historyController, QWidget* parent);

    SearchHistoryController* historyController() const { return historyController_; }

    // Builds the buttons and puts `fields` above them. Call once, after the
    // fields are made, so that the focus moves from the fields to the buttons.
    void layOutWindow(QWidget* fields, const QString& saveTitle);
    void layOutWindow(QLayout* fields, const QString& saveTitle);

    // True when the name the save needs is empty.
    virtual bool nameIsMissing() const = 0;
    virtual void saveChanges() = 0;

private:
    QHBoxLayout* buildButtons(const QString& saveTitle);

    QPointer<SearchHistoryController> historyController_;
    QPushButton* btnSave_ = nullptr;
    QPushButton* btnCancel_ = nullptr;
};
