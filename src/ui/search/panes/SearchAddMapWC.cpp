#include "ui/search/panes/SearchAddMapWC.h"

#include "controls/TVLTextField.h"
#include "core/DialogBoxes.h"
#include "search/SearchHistoryController.h"
#include "ui/search/panes/SearchWindowButtons.h"

#include <QLabel>
#include <QLineEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

SearchAddMapWC::SearchAddMapWC(SearchHistoryController* historyController, QWidget* parent)
    : SearchPaneWindow(parent), historyController_(historyController)
{
    setObjectName(QStringLiteral("SearchAddMapWC"));
    setWindowTitle(QStringLiteral("New bookmark map"));
    sfNewMap_ = new TVLTextField(this);
    sfNewMap_->setObjectName(QStringLiteral("sfNewMap"));
    sfNewMap_->setPlaceHolderString(QStringLiteral("Name of the new map"));
    sfNewMap_->setMinimumSize(300, 24);
    sfNewMap_->awakeFromNib();
    const SearchWindowButtons buttons = SearchWindowButtons::build(this, QStringLiteral("Create Map"));
    btnSubmit_ = buttons.btnSave;
    btnSubmit_->setObjectName(QStringLiteral("btnSubmit"));
    btnCancel_ = buttons.btnCancel;
    connect(btnSubmit_, &QPushButton::clicked, this, &SearchAddMapWC::btnSubmitNewMap);
    connect(btnCancel_, &QPushButton::clicked, this, &SearchAddMapWC::btnCancelCreateMapSheet);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 20, 14);
    layout->addWidget(new QLabel(QStringLiteral("Map name:"), this));
    layout->addWidget(sfNewMap_);
    layout->addSpacing(8);
    layout->addLayout(buttons.row);
}

void SearchAddMapWC::windowDidLoad()
{
    setResponseCode(-1);
    sfNewMap_->textField()->setFocus();
}

void SearchAddMapWC::btnSubmitNewMap()
{
    const QString name = sfNewMap_->stringValue();
    if (name.isEmpty()) {
        DialogBoxes::alertBoxDefault(QStringLiteral("Map name cannot be empty"),
                                     QStringLiteral("Please enter a valid map name."));
        return;
    }
    saveNewMapToDatabase(name);
    closeWindow();
}

void SearchAddMapWC::btnCancelCreateMapSheet()
{
    closeWindow();
}

void SearchAddMapWC::saveNewMapToDatabase(const QString& name)
{
    if (historyController_) setResponseCode(historyController_->createMap(name));
}

void SearchAddMapWC::windowWillEnd()
{
    sfNewMap_->setStringValue(QString());
}
