#pragma once

#include "search/Watchdog.h"

#include <QPointer>
#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class WatchdogController;

// The Watchdog editor: name, search query, interval and what a match does.
// Save copies the fields into the entry; a new entry is switched on, made
// due at once and added to the list, and all entries are stored; an edited
// entry's row is updated. Cancel leaves the entry as it was. Either way the
// scheduler hears that the window closes.
class WatchdogEditWC : public QWidget
{
    Q_OBJECT
public:
    WatchdogEditWC(const WatchdogPtr& entry, WatchdogController* controller, QWidget* parent = nullptr);
    ~WatchdogEditWC() override;

    // The one open editor, now showing `entry`.
    static WatchdogEditWC* showWindow(const WatchdogPtr& entry, WatchdogController* controller,
                                      QWidget* parent = nullptr);
    static WatchdogEditWC* openEditor();

    const WatchdogPtr& currentObject() const { return currentObject_; }
    QLineEdit* aliasField() const { return aliasField_; }
    QLineEdit* queryField() const { return queryField_; }
    QComboBox* intervalPopup() const { return intervalPopup_; }
    QComboBox* actionPopup() const { return actionPopup_; }
    QLabel* messageLabel() const { return messageLabel_; }
    QPushButton* saveButton() const { return saveButton_; }
    QPushButton* cancelButton() const { return cancelButton_; }

    void saveButtonClicked();
    void cancelButtonClicked();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildInterface();
    void loadFields();

    WatchdogPtr currentObject_;
    QPointer<WatchdogController> controller_;
    QLineEdit* aliasField_;
    QLineEdit* queryField_;
    QComboBox* intervalPopup_;
    QComboBox* actionPopup_;
    QLabel* messageLabel_;
    QPushButton* saveButton_;
    QPushButton* cancelButton_;
    bool closing_ = false;
};
