#include "ui/core/AppDelegate.h"
#include "ui/core/MainVC.h"
#include "ui/core/MainWindow.h"

#include "platform/NotificationHub.h"
#include "support/EventLoop.h"
#include "support/ScriptedDialogAnswerer.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QDropEvent>
#include <QMimeData>
#include <QProcess>
#include <QRegularExpression>
#include <QUrl>

namespace {
struct Shell
{
    MainWindow window;
    MainVC* mainVC = new MainVC(&window);
    AppDelegate delegate{&window, mainVC};
    Shell() { window.setCentralWidget(mainVC); }
};
} // namespace

TEST(AppDelegate, AnnouncesTheStartedInterfaceOnceHalfASecondAfterTheWindowShows)
{
    TempHome home;
    Shell shell;
    QObject owner;
    int posted = 0;
    NotificationHub::defaultCenter().addObserver("ApplicationDidStartGUI", &owner,
                                                 [&](const Notification&) { ++posted; });
    QElapsedTimer clock;
    clock.start();
    shell.delegate.applicationDidFinishLaunching();
    EXPECT_TRUE(shell.window.isVisible());
    ASSERT_TRUE(waitUntil([&] { return posted > 0; }, 3000));
    EXPECT_GE(clock.elapsed(), 450);
    shell.delegate.notifyAppThatGUIIsStarted();
    spinEventLoop(100);
    EXPECT_EQ(posted, 1);
}

TEST(AppDelegate, FilesOpenedBeforeTheInterfaceStartedAreHeldThenImportedInOrder)
{
    TempHome home;
    Shell shell;
    QList<QStringList> imports;
    QObject::connect(shell.mainVC, &MainVC::importOpenFiles, [&](const QStringList& f) { imports << f; });
    shell.delegate.openFiles({"/tmp/b.nzb", "", "/tmp/a.nzb"});
    shell.delegate.addFilesFromOpenFiles({});
    shell.delegate.openFiles({"/tmp/c.nzb"});
    EXPECT_TRUE(imports.isEmpty());
    EXPECT_EQ(shell.mainVC->heldOpenFiles(), QStringList({"/tmp/b.nzb", "/tmp/a.nzb", "/tmp/c.nzb"}));

    shell.delegate.applicationDidFinishLaunching();
    ASSERT_TRUE(waitUntil([&] { return !imports.isEmpty(); }, 3000));
    EXPECT_EQ(imports, QList<QStringList>({{"/tmp/b.nzb", "/tmp/a.nzb", "/tmp/c.nzb"}}));
    shell.delegate.openFiles({"/tmp/d.nzb"});
    EXPECT_EQ(imports.last(), QStringList({"/tmp/d.nzb"}));
}

TEST(AppDelegate, DroppedFilesAreOpenedAndEmptyDropsAccepted)
{
    TempHome home;
    Shell shell;
    shell.window.show();
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile("/tmp/x.nzb"), QUrl("https://example.org/y.nzb")});
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    static_cast<QObject&>(shell.window).event(&drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(shell.mainVC->heldOpenFiles(), QStringList({"/tmp/x.nzb"}));

    QMimeData text;
    text.setText("not a file");
    QDropEvent drop2(QPointF(10, 10), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    static_cast<QObject&>(shell.window).event(&drop2);
    EXPECT_TRUE(drop2.isAccepted());
    EXPECT_EQ(shell.mainVC->heldOpenFiles().size(), 1);
}

TEST(AppDelegate, UnreachableSupportFolderAlertsAndFails)
{
    TempHome home(false);
    // The data folder is a plain file: nothing can be made below it.
    const QString blocker = home.path() + "/blocked";
    QFile f(blocker);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    qputenv("XDG_DATA_HOME", blocker.toUtf8());
    ScriptedDialogAnswerer answers;
    EXPECT_FALSE(AppDelegate::initialize());
    ASSERT_EQ(answers.asked().size(), 1);
    EXPECT_EQ(answers.asked()[0].title, "Unable to access AppSupportPath");
    EXPECT_EQ(answers.asked()[0].info, "No access to:\n" + blocker + "/Binorama\n\nBinorama will close now.");
}

TEST(AppDelegate, DefaultFontResolvesToARealFamily)
{
    const QFontInfo info(QApplication::font());
    EXPECT_FALSE(info.family().isEmpty());
    EXPECT_FALSE(QFontDatabase::families().isEmpty());
}

TEST(Program, StartsWithAFreshHomeAndEmptiesItsLogOnTheNextStart)
{
    TempHome home(false);
    const QString program = QStringLiteral(BINORAMA_BINARY_DIR "/src/binorama");
    const QString log = home.path() + "/.local/share/Binorama/Binorama.log";
    auto readLog = [&] {
        QFile f(log);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    };
    auto runUntilBanner = [&](const QStringList& args) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        p.setProcessEnvironment(env);
        p.start(program, args);
        EXPECT_TRUE(p.waitForStarted(10000));
        const bool banner = waitUntil(
            [&] {
                const QString text = readLog();
                return text.contains(" * Logfile") && !text.contains("LEFTOVER");
            },
            20000);
        p.kill();
        p.waitForFinished(5000);
        return banner;
    };
    ASSERT_TRUE(runUntilBanner({}));
    EXPECT_TRUE(QFileInfo(home.path() + "/.local/share/Binorama").isDir());
    EXPECT_TRUE(QFileInfo(home.path() + "/.local/share/Binorama/db").isDir());
    QFile f(log);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList first = QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    f.close();
    ASSERT_FALSE(first.isEmpty());
    EXPECT_TRUE(QRegularExpression(R"(^\[INFO\]  \d\d:\d\d:\d\d\.\d{3} \| \[MainVC logAppInformation\]-{150}$)")
                    .match(first[0])
                    .hasMatch())
        << first[0].toStdString();
    EXPECT_TRUE(first[1].endsWith("Starting Binorama v" BINORAMA_VERSION " build 1"));

    // A line of the first run that the second must not keep.
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write("LEFTOVER of the first run\n");
    f.close();
    ASSERT_TRUE(runUntilBanner({}));
    const QString second = readLog();
    EXPECT_FALSE(second.contains("LEFTOVER"));
    EXPECT_EQ(second.count("Starting Binorama"), 1);
    EXPECT_TRUE(second.startsWith("[INFO]  "));
}
