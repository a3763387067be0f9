#include "ui/prefs/PrefsInterfaceVC.h"

#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "ui/prefs/PrefsForm.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

PrefsInterfaceVC::PrefsInterfaceVC(const PrefsContext&, QWidget* parent) : PrefsPage(parent)
{
    setObjectName(QStringLiteral("PrefsInterfaceVC"));
    auto* form = new PrefsForm(this);
    form->addSection(QStringLiteral("Speed"));
    QCheckBox* megaBytes =
        form->addCheckBox("showMegaBytesPerSecond", QStringLiteral("Show speeds in bytes per second (MB/s)"));
    connect(megaBytes, &QCheckBox::clicked, this, [] {
        NotificationHub::defaultCenter().post(QStringLiteral("BandwidthDisplayTypeChanged"));
    });
    form->addNote(QStringLiteral("Off: speeds are shown in bits per second (Mb/s)."));
    form->addSection(QStringLiteral("Queue"));
    form->addCheckBox("enableRowHeightChanging", QStringLiteral("Make rows without a progress bar smaller"));
    form->addSection(QStringLiteral("Messages"));
    form->addCheckBox("enableNotificationMessages", QStringLiteral("Show desktop notifications"));
    form->addCheckBox("usePreviewAppForImages", QStringLiteral("Open pictures in the image viewer"));
    form->addCheckBox("closeConnectionsOnExit", QStringLiteral("Close server connections politely on quit"));
    form->addSection(QStringLiteral("Confirmations"));
    auto* reset = new QPushButton(QStringLiteral("Reset Confirmations"), form);
    reset->setObjectName(QStringLiteral("btnResetConfirmations"));
    connect(reset, &QPushButton::clicked, this, &PrefsInterfaceVC::resetConfirmations);
    form->addRow(reset);
    form->addNote(QStringLiteral("Shows the warning before posting, the newsgroup type hint and the Watchdog "
                                 "question again after \"Don't show again\"."));
    form->finish();
    setContent(form);
}

void PrefsInterfaceVC::resetConfirmations()
{
    UserDefaults& d = UserDefaults::standard();
    for (const char* key :
         {"showDialogDMCAWarning", "showDialogNewsgroupTypes", "showDialogMakeWatchdogFromDeepLookupObject"})
        d.setBool(true, QString::fromLatin1(key));
}
