#include "ui/search/watchdog/WatchdogEditWC.h"

#include "controls/TVLComponentUtils.h"
#include "controls/TVLTextField.h"
#include "core/DialogBoxes.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "search/WatchdogController.h"
#include "ui/core/WindowPlacement.h"
#include "ui/search/tools/BytesConverterVC.h"
#include "ui/search/tools/IndexedNewsgroupQuery.h"
#include "ui/search/tools/IndexedNewsgroupSelectorVC.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QPointer<WatchdogEditWC>& theEditor()
{
    static QPointer<WatchdogEditWC> editor;
    return editor;
}

// Minutes offered; an entry with another interval gets its own item.
constexpr qint64 kIntervals[] = {0, 5, 10, 15, 30, 60, 120, 360, 720, 1440};

void selectData(QComboBox* box, qint64 value)
{
    const int i = box->findData(value);
    if (i >= 0) box->setCurrentIndex(i);
}

} // namespace

WatchdogEditWC::WatchdogEditWC(const WatchdogPtr& entry, WatchdogController* controller, QWidget* parent)
    : QWidget(parent, Qt::Window), currentObject_(entry), controller_(controller)
{
    setObjectName(QStringLiteral("WatchdogEditWC"));
    setAttribute(Qt::WA_DeleteOnClose);
    if (!currentObject_ && controller) currentObject_ = controller->createObject();
    buildInterface();
    updateFields();
    NotificationHub::defaultCenter().addObserver(QStringLiteral("ApplicationWillTerminate"), this,
                                                 [this](const Notification&) { closeWindow(); });
}

WatchdogEditWC::~WatchdogEditWC()
{
    NotificationHub::defaultCenter().removeObserver(this);
}

WatchdogEditWC* WatchdogEditWC::showWindow(const WatchdogPtr& entry, WatchdogController* controller,
                                           QWidget* parent)
{
    // One editor at a time: a second request closes the first unsaved.
    if (WatchdogEditWC* open = theEditor()) open->cancelButtonClicked();
    auto* editor = new WatchdogEditWC(entry, controller, parent);
    theEditor() = editor;
    editor->show();
    WindowPlacement::centerWindow(editor, 69);
    editor->raise();
    editor->activateWindow();
    return editor;
}

WatchdogEditWC* WatchdogEditWC::openEditor()
{
    return theEditor();
}

TVLTextField* WatchdogEditWC::makeField(const QString& name, const QString& placeholder, const QString& historyKey)
{
    auto* field = new TVLTextField(this);
    field->setObjectName(name);
    field->setPlaceHolderString(placeholder);
    field->setSearchHistoryName(historyKey);
    field->setMinimumHeight(24);
    return field;
}

void WatchdogEditWC::buildInterface()
{
    const bool isNew = currentObject_ && currentObject_->isNewObject();
    setWindowTitle(isNew ? QStringLiteral("New Watchdog entry") : QStringLiteral("Edit Watchdog entry"));

    textFieldAlias_ = makeField(QStringLiteral("textFieldAlias"), QStringLiteral("Name of this entry"), {});
    textFieldQuery_ = makeField(QStringLiteral("textFieldQuery"), QStringLiteral("Words to search for"),
                                QStringLiteral("deepLookupRecentTitle"));
    textFieldNewsgroups_ = makeField(QStringLiteral("textFieldNewsgroups"), QStringLiteral("Any newsgroup"),
                                     QStringLiteral("deepLookupRecentGroups"));
    textFieldPoster_ = makeField(QStringLiteral("textFieldPoster"), QStringLiteral("Any poster"),
                                 QStringLiteral("deepLookupRecentPoster"));
    textFieldMinSize_ = makeField(QStringLiteral("textFieldMinSize"), QStringLiteral("Bytes"),
                                  QStringLiteral("deepLookupRecentMinSize"));
    textFieldMaxSize_ = makeField(QStringLiteral("textFieldMaxSize"), QStringLiteral("Bytes"),
                                  QStringLiteral("deepLookupRecentMaxSize"));
    textFieldMinSize_->setNumbersOnly(true);
    textFieldMaxSize_->setNumbersOnly(true);
    IndexedNewsgroupSelectorVC::configureNewsgroupsField(textFieldNewsgroups_);
    BytesConverterVC::configureSizeField(textFieldMinSize_, BytesConverterVC::minSizeIdentifier());
    BytesConverterVC::configureSizeField(textFieldMaxSize_, BytesConverterVC::maxSizeIdentifier());
    // Configured: the parts are built now, so the fields hold values at once.
    for (TVLTextField* f : {textFieldAlias_, textFieldQuery_, textFieldNewsgroups_, textFieldPoster_,
                            textFieldMinSize_, textFieldMaxSize_})
        f->awakeFromNib();
    for (TVLTextField* f : {textFieldNewsgroups_, textFieldMinSize_, textFieldMaxSize_}) f->setDelegate(this);

    btnExcludePassword_ = new QCheckBox(QStringLiteral("Exclude password protected results"), this);
    btnExcludePassword_->setObjectName(QStringLiteral("btnExcludePassword"));
    btnContentType_ = new QComboBox(this);
    btnContentType_->setObjectName(QStringLiteral("btnContentType"));
    btnContentType_->addItem(QStringLiteral("General"), qint64(0));
    btnContentType_->addItem(QStringLiteral("Erotica"), qint64(1));
    btnInterval_ = new QComboBox(this);
    btnInterval_->setObjectName(QStringLiteral("btnInterval"));
    btnOnMatchAction_ = new QComboBox(this);
    btnOnMatchAction_->setObjectName(QStringLiteral("btnOnMatchAction"));
    btnOnMatchAction_->addItem(QStringLiteral("Q + Pause"), qint64(0));
    btnOnMatchAction_->addItem(QStringLiteral("Q + Download"), qint64(1));

    saveButton_ = new QPushButton(QStringLiteral("Save"), this);
    saveButton_->setObjectName(QStringLiteral("saveButton"));
    saveButton_->setDefault(true);
    cancelButton_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton_->setObjectName(QStringLiteral("cancelButton"));
    auto* helpButton = new QPushButton(QStringLiteral("?"), this);
    helpButton->setObjectName(QStringLiteral("helpButton"));
    helpButton->setToolTip(QStringLiteral("Help"));
    helpButton->setFixedWidth(32);
    connect(saveButton_, &QPushButton::clicked, this, &WatchdogEditWC::saveButtonClicked);
    connect(cancelButton_, &QPushButton::clicked, this, &WatchdogEditWC::cancelButtonClicked);
    connect(helpButton, &QPushButton::clicked, this, &WatchdogEditWC::helpButtonClicked);

    auto* sizes = new QHBoxLayout;
    sizes->addWidget(textFieldMinSize_, 1);
    sizes->addWidget(textFieldMaxSize_, 1);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Name:"), textFieldAlias_);
    form->addRow(QStringLiteral("Search for:"), textFieldQuery_);
    form->addRow(QStringLiteral("Newsgroups:"), textFieldNewsgroups_);
    form->addRow(QStringLiteral("Poster:"), textFieldPoster_);
    form->addRow(QStringLiteral("Size from / to:"), sizes);
    form->addRow(QStringLiteral("Content:"), btnContentType_);
    form->addRow(QString(), btnExcludePassword_);
    form->addRow(QStringLiteral("Search every:"), btnInterval_);
    form->addRow(QStringLiteral("On match:"), btnOnMatchAction_);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(helpButton);
    buttons->addStretch(1);
    buttons->addWidget(cancelButton_);
    buttons->addWidget(saveButton_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addStretch(1);
    layout->addSpacing(10);
    layout->addLayout(buttons);
    setMinimumWidth(480);
}

void WatchdogEditWC::updateFields()
{
    if (!currentObject_) return;
    const Watchdog& w = *currentObject_;
    bool listed = false;
    for (qint64 minutes : kIntervals) {
        btnInterval_->addItem(minutes == 0 ? QStringLiteral("Manual") : Watchdog::timeFormatter(minutes * 60),
                              minutes);
        listed = listed || minutes == w.interval();
    }
    if (!listed) btnInterval_->addItem(Watchdog::timeFormatter(w.interval() * 60), w.interval());
    textFieldAlias_->setStringValue(w.alias());
    btnExcludePassword_->setChecked(w.excludePwdFiles());
    selectData(btnContentType_, w.ero() ? 1 : 0);
    selectData(btnOnMatchAction_, w.action());
    selectData(btnInterval_, w.interval());
    const DeepLookupObjectPtr& q = w.dpobject();
    if (!q) return;
    textFieldQuery_->setStringValue(q->title().value_or(QString()));
    textFieldNewsgroups_->setStringValue(q->group().value_or(QString()));
    textFieldPoster_->setStringValue(q->poster().value_or(QString()));
    textFieldMinSize_->setStringValue(q->minsize().value_or(QString()));
    textFieldMaxSize_->setStringValue(q->maxsize().value_or(QString()));
}

bool WatchdogEditWC::checkIfFieldsAreFilled()
{
    for (TVLTextField* f : {textFieldQuery_, textFieldNewsgroups_, textFieldPoster_, textFieldMinSize_,
                            textFieldMaxSize_})
        if (!f->stringValue().isEmpty()) return true;
    DialogBoxes::alertBoxDefault(
        QStringLiteral("Unable to save !"),
        QStringLiteral("All mandatory searchfields are empty.\nPlease correct that before continuing."));
    return false;
}

void WatchdogEditWC::saveButtonClicked()
{
    if (!currentObject_ || !checkIfFieldsAreFilled()) return;
    saveChanges();
    closeWindow();
}

void WatchdogEditWC::saveChanges()
{
    Watchdog& w = *currentObject_;
    w.setAlias(textFieldAlias_->stringValue());
    w.setExcludePwdFiles(btnExcludePassword_->isChecked());
    w.setEro(btnContentType_->currentData().toLongLong() == 1);
    w.setAction(btnOnMatchAction_->currentData().toLongLong());
    w.setInterval(btnInterval_->currentData().toLongLong());
    const DeepLookupObjectPtr& q = w.dpobject();
    q->setTitle(textFieldQuery_->stringValue());
    q->setGroup(textFieldNewsgroups_->stringValue());
    q->setPoster(textFieldPoster_->stringValue());
    q->setMinsize(textFieldMinSize_->stringValue());
    q->setMaxsize(textFieldMaxSize_->stringValue());
    q->setEro(w.ero() ? QStringLiteral("1") : QStringLiteral("0"));
    updateSearchHistory();
    saved_ = true;
    if (w.isNewObject()) {
        w.setActive(true);
        // Its next search (last + interval × 60) is then already due.
        w.setLastsearch(w.now() - btnInterval_->currentData().toLongLong() * 61);
        if (controller_) {
            controller_->addEntry(currentObject_);
            controller_->dbSaveAllWatchdogEntries();
        }
    } else if (controller_) {
        controller_->updateDBEntry(currentObject_);
    }
}

void WatchdogEditWC::updateSearchHistory()
{
    for (TVLTextField* f : {textFieldQuery_, textFieldNewsgroups_, textFieldPoster_, textFieldMinSize_,
                            textFieldMaxSize_})
        if (!f->stringValue().isEmpty())
            TVLComponentUtils::updateSearchHistoryWithObject(f->stringValue(), f->searchHistoryName());
    UserDefaults::standard().synchronize();
}

void WatchdogEditWC::addNewsgroups(const QList<IndexedNG>& groups)
{
    if (indexedNewsgroupSelectorVC_) indexedNewsgroupSelectorVC_->hide();
    const std::optional<IndexedNewsgroupQuery::Result> query = IndexedNewsgroupQuery::fromNewsgroups(groups);
    if (!query) return;
    textFieldNewsgroups_->setStringValue(query->text);
    selectData(btnContentType_, query->ero ? 1 : 0);
}

void WatchdogEditWC::cancelButtonClicked()
{
    closeWindow();
}

void WatchdogEditWC::helpButtonClicked()
{
    NotificationHub::defaultCenter().post(QStringLiteral("ShowHelpWindowForTopic"), this,
                                          {{QStringLiteral("topic"), 3}});
}

void WatchdogEditWC::closeWindow()
{
    if (windowIsClosing_) return;
    close();
}

void WatchdogEditWC::closeEvent(QCloseEvent* event)
{
    if (!windowIsClosing_) {
        windowIsClosing_ = true;
        // However the window closes, an entry never saved was never added:
        // the scheduler must not announce it as created.
        if (!saved_ && currentObject_) currentObject_->setIsNewObject(false);
        if (controller_ && currentObject_) controller_->watchdogWindowWillClose(currentObject_);
    }
    QWidget::closeEvent(event);
}

void WatchdogEditWC::extraButtonClicked(QAbstractButton* button, const QString& identifier)
{
    TVLTextField* target = identifier == QStringLiteral("MinBytesConverter")   ? textFieldMinSize_
                           : identifier == QStringLiteral("MaxBytesConverter") ? textFieldMaxSize_
                                                                               : nullptr;
    if (identifier == IndexedNewsgroupSelectorVC::newsgroupsIdentifier()) {
        if (!indexedNewsgroupSelectorVC_) {
            indexedNewsgroupSelectorVC_ = new IndexedNewsgroupSelectorVC(this);
            indexedNewsgroupSelectorVC_->setDelegate(this);
        }
        indexedNewsgroupSelectorVC_->showRelativeTo(button ? static_cast<QWidget*>(button) : textFieldNewsgroups_);
        return;
    }
    if (!target) return;
    if (!bytesConverterVC_) {
        bytesConverterVC_ = new BytesConverterVC(this);
        bytesConverterVC_->setDelegate(this);
    }
    bytesConverterVC_->setTextField(target);
    bytesConverterVC_->showRelativeTo(button ? static_cast<QWidget*>(button) : target);
}

void WatchdogEditWC::bytesConversionFinishedWithValue(const QString& value, TVLTextField* textField)
{
    if (bytesConverterVC_) bytesConverterVC_->hide();
    if (!value.isEmpty() && textField) textField->setStringValue(value);
}
