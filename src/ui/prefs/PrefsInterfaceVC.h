#pragma once

#include "ui/prefs/PrefsContext.h"
#include "ui/prefs/PrefsPage.h"

#include <QWidget>

// The Interface page of the settings window: how speeds and rows are shown,
// notifications, and turning the one-time questions back on.
class PrefsInterfaceVC : public PrefsPage
{
    Q_OBJECT
public:
    explicit PrefsInterfaceVC(const PrefsContext& context, QWidget* parent = nullptr);

    // Asks the confirmations that can be switched off in their dialogs
    // again: exactly these three, no other "showDialog…" setting.
    static void resetConfirmations();
};
