#pragma once

#include "ui/prefs/PrefsContext.h"
#include "ui/prefs/PrefsPage.h"

#include <QWidget>

class QLabel;
class QPushButton;
class UpdateChecker;

// The Updates page of the settings window: daily checks on or off, whether
// test releases count, and a button that checks now. Nothing is installed:
// a newer release is shown with a link to its page.
class PrefsUpdatesVC : public PrefsPage
{
    Q_OBJECT
public:
    // `checker` null: the program's shared checker.
    explicit PrefsUpdatesVC(const PrefsContext& context, QWidget* parent = nullptr, UpdateChecker* checker = nullptr);

    void btnCheckForUpdatesClicked();
    QLabel* lastCheckTextField() const { return lastCheck_; }

private:
    void updateLastCheckTextField();

    UpdateChecker* checker_;
    QPushButton* btnCheck_;
    QLabel* lastCheck_;
};
