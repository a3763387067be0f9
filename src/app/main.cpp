#include "controls/CoreArtwork.h"
#include "platform/TerminationSignal.h"
#include "ui/core/AppDelegate.h"
#include "ui/core/DialogBoxWidgetPresenter.h"
#include "ui/core/MainVC.h"
#include "ui/core/MainWindow.h"
#include "ui/core/UpdateAnnouncer.h"

#include <QApplication>
#include <QTimer>

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

    // Before any window exists: the application-support folder and every
    // setting. Without the folder nothing can work, so end at once.
    if (!AppDelegate::initialize()) return 1;

    MainWindow window;
    auto* mainVC = new MainVC(&window);
    window.setCentralWidget(mainVC);
    AppDelegate delegate(&window, mainVC);
    TerminationSignal termination;
    QObject::connect(&termination, &TerminationSignal::terminationRequested, &delegate,
                     [&delegate](int) { delegate.requestTermination(); });

    QStringList files = QApplication::arguments();
    files.removeFirst();
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
