#pragma once

#include <QObject>
#include <QStandardPaths>
#include <QStringList>

#include <memory>

class MainVC;
class MainWindow;
class ProcessActivity;
class QTimer;

// The application's delegate: it prepares the program before its window
// loads, brings the window up, announces that the user interface has started
// and passes files opened with the program on to the main window controller.
class AppDelegate : public QObject
{
    Q_OBJECT
public:
    AppDelegate(MainWindow* window, MainVC* mainVC, QObject* parent = nullptr);
    ~AppDelegate() override;

    // Runs once before any window exists: finds or creates the
    // application-support folder and registers every setting. On failure it
    // shows the alert and returns false; the caller must end the program.
    static bool initialize();

    // The standard folder of `location`, with `component` appended, created
    // when missing. False (and an empty path) when there is none or it cannot
    // be made.
    static bool findOrCreateDirectory(QStandardPaths::StandardLocation location, const QString& component,
                                      QString* path);
    // The user's application-support folder of the program, created when
    // missing; false when it cannot be.
    static bool findOrCreateAppSupportFolder(QString* path);

    void applicationDidFinishLaunching();
    void startGUI();
    void notifyAppThatGUIIsStarted();
    void disableAppNap();
    void showMainWindow();
    void reOpenMainWindow();

    // Files opened with the program (command line, file manager) or dropped.
    void openFiles(const QStringList& paths);
    void addFilesFromOpenFiles(const QStringList& paths);

    void windowDidBecomeKey();
    void windowDidResignKey();

    // A quit request (window closed, quit shortcut): answered true only once
    // the quit sequence has started the closing; before that the request is
    // refused and announced as "ApplicationShouldTerminate".
    bool applicationShouldTerminate();
    // A quit request from outside the window (the quit shortcut, a log-out
    // or termination signal): ends the program once the request is granted.
    void requestTermination();

    bool terminateNow() const { return terminateNow_; }
    void setTerminateNow(bool value) { terminateNow_ = value; }
    bool hasActivity() const { return activity_ != nullptr; }

private:
    MainWindow* window_;
    MainVC* mainVC_;
    bool terminateNow_ = false;
    bool guiStartedPosted_ = false;
    std::unique_ptr<ProcessActivity> activity_;
};
