#include "ui/search/WatchdogEditWC.h"

#include "search/WatchdogController.h"
#include "ui/core/WindowPlacement.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QPointer<WatchdogEditWC>& theEditor()
{
    static QPointer<WatchdogEditWC> editor;
    return editor;
}

// Minutes offered; an entry with another interval gets its own row.
constexpr qint64 kIntervals[] = {0, 15, 30, 60, 120, 360, 720, 1440};

} // namespace

WatchdogEditWC::WatchdogEditWC(const WatchdogPtr& entry, WatchdogController* controller, QWidget* parent)
    : QWidget(parent, Qt::Window), currentObject_(entry), controller_(controller)
{
    if (!currentObject_ && controller) currentObject_ = controller->createObject();
    setObjectName(QStringLiteral("WatchdogEditWC"));
    setAttribute(Qt::WA_DeleteOnClose);
    buildInterface();
    loadFields();
}

WatchdogEditWC::~WatchdogEditWC() = default;

WatchdogEditWC* WatchdogEditWC::showWindow(const WatchdogPtr& entry, WatchdogController* controller,
                                           QWidget* parent)
{
    // One editor at a time: a second request closes the first as cancelled.
    if (WatchdogEditWC* open = theEditor()) open->cancelButtonClicked();
    auto* editor = new WatchdogEditWC(entry, controller, parent);
    theEditor() = editor;
    editor->show();
    WindowPlacement::centerWindow(editor, 100);
    editor->raise();
    editor->activateWindow();
    return editor;
}

WatchdogEditWC* WatchdogEditWC::openEditor()
{
    return theEditor();
}

void WatchdogEditWC::buildInterface()
{
    const bool isNew = currentObject_ && currentObject_->isNewObject();
    setWindowTitle(isNew ? QStringLiteral("New Watchdog entry") : QStringLiteral("Edit Watchdog entry"));

    aliasField_ = new QLineEdit(this);
    aliasField_->setObjectName(QStringLiteral("aliasField"));
    queryField_ = new QLineEdit(this);
    queryField_->setObjectName(QStringLiteral("queryField"));
    queryField_->setPlaceholderText(QStringLiteral("Words to search for"));
    intervalPopup_ = new QComboBox(this);
    intervalPopup_->setObjectName(QStringLiteral("intervalPopup"));
    actionPopup_ = new QComboBox(this);
    actionPopup_->setObjectName(QStringLiteral("actionPopup"));
    actionPopup_->addItem(QStringLiteral("Queue and download"), qint64(1));
    actionPopup_->addItem(QStringLiteral("Queue paused"), qint64(0));

    messageLabel_ = new QLabel(this);
    messageLabel_->setObjectName(QStringLiteral("messageLabel"));
    QPalette warn = messageLabel_->palette();
    warn.setColor(QPalette::WindowText, QColor(0xb0, 0x20, 0x20));
    messageLabel_->setPalette(warn);
    messageLabel_->hide();

    saveButton_ = new QPushButton(QStringLiteral("Save"), this);
    saveButton_->setObjectName(QStringLiteral("saveButton"));
    saveButton_->setDefault(true);
    cancelButton_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton_->setObjectName(QStringLiteral("cancelButton"));
    connect(saveButton_, &QPushButton::clicked, this, &WatchdogEditWC::saveButtonClicked);
    connect(cancelButton_, &QPushButton::clicked, this, &WatchdogEditWC::cancelButtonClicked);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Name:"), aliasField_);
    form->addRow(QStringLiteral("Search query:"), queryField_);
    form->addRow(QStringLiteral("Search every:"), intervalPopup_);
    form->addRow(QStringLiteral("Matches:"), actionPopup_);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cancelButton_);
    buttons->addWidget(saveButton_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(messageLabel_);
    layout->addStretch(1);
    layout->addSpacing(10);
    layout->addLayout(buttons);
    setMinimumWidth(420);
}

void WatchdogEditWC::loadFields()
{
    if (!currentObject_) return;
    const Watchdog& w = *currentObject_;
    aliasField_->setText(w.alias());
    queryField_->setText(w.dpobject()->title().value_or(QString()));
    bool listed = false;
    for (qint64 minutes : kIntervals) {
        intervalPopup_->addItem(minutes == 0 ? QStringLiteral("Manual") : Watchdog::timeFormatter(minutes * 60),
                                minutes);
        listed = listed || minutes == w.interval();
    }
    if (!listed) intervalPopup_->addItem(Watchdog::timeFormatter(w.interval() * 60), w.interval());
    intervalPopup_->setCurrentIndex(intervalPopup_->findData(w.interval()));
    actionPopup_->setCurrentIndex(w.action() == 0 ? 1 : 0);
}

void WatchdogEditWC::saveButtonClicked()
{
    if (!currentObject_) return;
    const QString query = queryField_->text().trimmed();
    if (query.isEmpty()) {
        // An empty query would match everything the service has.
        messageLabel_->setText(QStringLiteral("Enter a search query."));
        messageLabel_->show();
        queryField_->setFocus();
        return;
    }
    Watchdog& w = *currentObject_;
    const QString alias = aliasField_->text().trimmed();
    if (!alias.isEmpty()) w.setAlias(alias);
    w.dpobject()->setTitle(query);
    w.setInterval(intervalPopup_->currentData().toLongLong());
    w.setAction(actionPopup_->currentData().toLongLong());
    if (w.isNewObject()) {
        w.setActive(true);
        // Due at once.
        w.setLastsearch(w.now() - w.interval() * 61);
        if (controller_) {
            controller_->addEntry(currentObject_);
            controller_->dbSaveAllWatchdogEntries();
        }
    } else if (controller_) {
        controller_->updateDBEntry(currentObject_);
    }
    close();
}

void WatchdogEditWC::cancelButtonClicked()
{
    if (currentObject_) currentObject_->setIsNewObject(false);
    close();
}

void WatchdogEditWC::closeEvent(QCloseEvent* event)
{
    if (!closing_) {
        closing_ = true;
        if (controller_ && currentObject_) controller_->watchdogWindowWillClose(currentObject_);
    }
    QWidget::closeEvent(event);
}
