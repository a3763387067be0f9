#include "ui/search/panes/SearchEntryWindow.h"

#include "core/DialogBoxes.h"
#include "search/SearchHistoryController.h"
#include "ui/search/panes/SearchWindowButtons.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QVBoxLayout* windowLayout(QWidget* window)
{
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(20, 18, 20, 14);
    return layout;
}

} // namespace

SearchEntryWindow::SearchEntryWindow(SearchHistoryController* historyController, QWidget* parent)
    : SearchPaneWindow(parent), historyController_(historyController)
{}

void SearchEntryWindow::layOutWindow(QWidget* fields, const QString& saveTitle)
{
    QHBoxLayout* buttons = buildButtons(saveTitle);
    QVBoxLayout* layout = windowLayout(this);
    layout->addWidget(fields);
    layout->addSpacing(12);
    layout->addLayout(buttons);
}

void SearchEntryWindow::layOutWindow(QLayout* fields, const QString& saveTitle)
{
    QHBoxLayout* buttons = buildButtons(saveTitle);
    QVBoxLayout* layout = windowLayout(this);
    layout->addLayout(fields);
    layout->addSpacing(12);
    layout->addLayout(buttons);
}

QHBoxLayout* SearchEntryWindow::buildButtons(const QString& saveTitle)
{
    const SearchWindowButtons buttons = SearchWindowButtons::build(this, saveTitle);
    btnSave_ = buttons.btnSave;
    btnCancel_ = buttons.btnCancel;
    connect(btnSave_, &QPushButton::clicked, this, &SearchEntryWindow::btnSaveClicked);
    connect(btnCancel_, &QPushButton::clicked, this, &SearchEntryWindow::btnCancelClicked);
    return buttons.row;
}

void SearchEntryWindow::btnSaveClicked()
{
    if (nameIsMissing()) {
        DialogBoxes::alertBoxDefault(QStringLiteral("Bookmark name cannot be empty"),
                                     QStringLiteral("Please enter a valid bookmark name."));
        return;
    }
    saveChanges();
    closeWindow();
}

void SearchEntryWindow::btnCancelClicked()
{
    closeWindow();
}
