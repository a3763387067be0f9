#include "controls/CoreArtwork.h"
#include "core/StringFormat.h"
#include "platform/NotificationHub.h"
#include "platform/SingleInstance.h"
#include "platform/TerminationSignal.h"
#include "ui/core/AppDelegate.h"
#include "ui/core/DialogBoxWidgetPresenter.h"
#include "ui/core/MainVC.h"
#include "ui/core/MainWindow.h"
#include "ui/core/UpdateAnnouncer.h"

#include <QApplication>
#include <QTimer>

#include <iostream>
#include <memory>

namespace {

// A second start that could not hand its files over says why, on the
// terminal and in a window, and ends; a termination signal closes the
// window too.
void tellAlreadyRunning(const SingleInstance& instance, const QString& folder, bool withFiles,
                        TerminationSignal& termination)
{
    const QString title = QStringLiteral("Binorama is already running");
    const QString process = instance.runningProcessId() > 0
                                ? sformat(u" (process %ld)", long(instance.runningProcessId()))
                                : QString();
    const QString info =
        sformat(u"Binorama is already running for this user%@ and keeps its data in:\n%@\n\n%@ (%@). "
                u"This one closes now.",
                process, folder,
                withFiles ? QStringLiteral("The files could not be handed to it, so open them there")
                          : QStringLiteral("It could not be brought to the front"),
                instance.error());
    std::cerr << title.toStdString() << ": " << QString(info).replace(QLatin1Char('\n'), QLatin1Char(' ')).toStdString()
              << std::endl;
    QObject::connect(&termination, &TerminationSignal::terminationRequested, [] {
        NotificationHub::defaultCenter().post(QStringLiteral("ApplicationWillTerminate"));
    });
    DialogBoxes::alertBoxDefault(title, info);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Binorama"));
    QApplication::setApplicationVersion(QStringLiteral(BINORAMA_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("binorama"));
    QApplication::setWindowIcon(CoreArtwork::applicationIcon());
    // The program ends when the closing window has saved everything, not
    // when the main window closes (the quit sequence closes it first).
    QApplication::setQuitOnLastWindowClosed(false);

    DialogBoxWidgetPresenter dialogs;
    DialogBoxes::setPresenter(&dialogs);
    TerminationSignal termination;

    QStringList files = QApplication::arguments();
    files.removeFirst();

    // Before anything of the user's home is read or written (the settings'
    // folders, the stores, the log, which each start empties): one program
    // per home, and a second start hands its files to the first.
    std::unique_ptr<SingleInstance> instance;
    QString appSupport;
    if (AppDelegate::findOrCreateAppSupportFolder(&appSupport)) {
        instance = std::make_unique<SingleInstance>(appSupport);
        switch (instance->claim(files)) {
        case SingleInstance::Claim::First:
            break;
        case SingleInstance::Claim::HandedOver:
            return 0;
        case SingleInstance::Claim::AlreadyRunning:
            tellAlreadyRunning(*instance, appSupport, !files.isEmpty(), termination);
            DialogBoxes::setPresenter(nullptr);
            return 1;
        }
    }

    // Before any window exists: the application-support folder and every
    // setting. Without the folder nothing can work, so end at once.
    if (!AppDelegate::initialize()) return 1;

    MainWindow window;
    auto* mainVC = new MainVC(&window);
    window.setCentralWidget(mainVC);
    AppDelegate delegate(&window, mainVC);
    QObject::connect(&termination, &TerminationSignal::terminationRequested, &delegate,
                     [&delegate](int) { delegate.requestTermination(); });
    if (instance) {
        // Files opened while the program runs are held until the saved queue
        // is back, as those given at the start are.
        QObject::connect(instance.get(), &SingleInstance::filesOpened, &delegate,
                         [&delegate](const QStringList& paths) {
                             delegate.openFiles(paths);
                             delegate.showMainWindow();
                         });
        QObject::connect(instance.get(), &SingleInstance::activationRequested, &delegate,
                         [&delegate] { delegate.showMainWindow(); });
    }

    QTimer::singleShot(0, &delegate, [&delegate, files] {
        delegate.applicationDidFinishLaunching();
        if (!files.isEmpty()) delegate.openFiles(files);
        // The daily look for a new version (when "checkForUpdates" is on).
        UpdateAnnouncer::install();
        UpdateChecker::sharedUpdater().startAutomaticChecks();
    });
    const int rc = QApplication::exec();
    DialogBoxes::setPresenter(nullptr);
    return rc;
}
