#include "engine/QuitSequence.h"

#include "core/DialogBoxes.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "queue/QCodeClass.h"

void QuitSequence::applicationShouldTerminate()
{
    if (appIsTerminating_)
        return;
    appIsTerminating_ = true;

    bool goOn = checkForUnfinishedUpQueueObjects(steps_.queueArray ? steps_.queueArray() : QList<QueuePtr>());
    if (goOn)
        goOn = showWatchdogNoteDialog(steps_.watchdogCount ? steps_.watchdogCount() : 0);
    if (!goOn) {
        call(steps_.refuseTermination);
        appIsTerminating_ = false;
        return;
    }

    NotificationHub::defaultCenter().post(QStringLiteral("ApplicationWillTerminate"), nullptr);
    call(steps_.setTerminateNow);
    call(steps_.closeMainWindowIfVisible);
    call(steps_.saveBottomPanePositionIfExpanded);
    call(steps_.saveStats);
    call(steps_.storeLastUsedMainView);
    call(steps_.showClosingAppWindow);
}

bool QuitSequence::checkForUnfinishedUpQueueObjects(const QList<QueuePtr>& queueArray)
{
    const QList<qint64> building = QCodeClass::upQueueNoSaveStateArray();
    for (const QueuePtr& job : queueArray) {
        if (job && job->isUploadObject() && building.contains(job->status())) {
            return DialogBoxes::alertBoxYesNo(
                QStringLiteral("Still creating RAR and PAR2 files in upload queue."),
                QStringLiteral("Some objects in your upload queue are not finished creating RAR and PAR2 files. "
                               "They will be deleted when you close the app.\r\rDo you want to delete them?"),
                false);
        }
    }
    return true;
}

bool QuitSequence::showWatchdogNoteDialog(qint64 watchdogCount)
{
    UserDefaults& d = UserDefaults::standard();
    if (!d.boolForKey(QStringLiteral("showDialogWatchogSuggestOpenApp")) || watchdogCount < 1)
        return true;
    const int answer = DialogBoxes::alertBoxYesNoWithNotShowAgain(
        QStringLiteral("Your are about to close Binorama"),
        QStringLiteral("Watchdog will not search for matches when the app is closed.\n\nAre you sure to close "
                       "Binorama?\n"),
        false);
    if (answer == 1)
        return false;
    if (answer == 2)
        d.setBool(false, QStringLiteral("showDialogWatchogSuggestOpenApp"));
    return true;
}
