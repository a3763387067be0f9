#include "ui/core/UpdateAnnouncer.h"

#include "core/DialogBoxes.h"

#include <QDesktopServices>

void UpdateAnnouncer::install(UpdateChecker& checker)
{
    static const char* const kInstalled = "binoramaUpdateAnnouncerInstalled";
    if (checker.property(kInstalled).toBool()) return;
    checker.setProperty(kInstalled, true);
    QObject::connect(&checker, &UpdateChecker::checkFinished, &checker, &UpdateAnnouncer::announce);
}

void UpdateAnnouncer::announce(const UpdateChecker::Result& result)
{
    switch (result.outcome) {
    case UpdateChecker::Outcome::UpdateAvailable:
        if (DialogBoxes::alertBoxYesNo(
                QStringLiteral("A new version of Binorama is available!"),
                QStringLiteral("Binorama %1 is now available (you have %2). Would you like to open its release page?")
                    .arg(result.offeredVersion, result.currentVersion),
                true))
            QDesktopServices::openUrl(result.releasePage);
        break;
    case UpdateChecker::Outcome::UpToDate:
        if (result.userInitiated)
            DialogBoxes::alertBoxDefault(
                QStringLiteral("You're up-to-date!"),
                QStringLiteral("Binorama %1 is currently the newest version available.").arg(result.currentVersion));
        break;
    case UpdateChecker::Outcome::Failed:
        if (result.userInitiated)
            DialogBoxes::alertBoxDefault(QStringLiteral("Update Error!"), result.error);
        break;
    }
}
