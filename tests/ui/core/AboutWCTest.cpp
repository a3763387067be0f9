#include "ui/core/AboutWC.h"

#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "support/ModalDriver.h"
#include "support/TempHome.h"
#include "ui/core/WindowPlacement.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QLabel>
#include <QMainWindow>
#include <QScreen>
#include <QTest>

TEST(AboutWindow, ShowsNameVersionBuildAndTheYear)
{
    TempHome home;
    UserDefaults& d = UserDefaults::standard();
    d.setString("2.1", "appVersionNr");
    d.setString("345", "appBuildNr");
    QMainWindow main;
    main.setGeometry(60, 40, 900, 700);
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));

    AboutWC wc;
    EXPECT_EQ(wc.appNameTextField()->text(), "Binorama");
    EXPECT_EQ(wc.versionTextField()->text(), "Version 2.1 (Build 345)");
    EXPECT_TRUE(wc.copyrightTextField()->text().contains(QDate::currentDate().toString("yyyy")));
    EXPECT_TRUE(wc.windowTitle().isEmpty());

    bool shown = false;
    whenShown<AboutWC>([&](AboutWC* w) {
        shown = true;
        const QRect visible = QGuiApplication::primaryScreen()->availableGeometry();
        EXPECT_EQ(w->pos(), WindowPlacement::centeredOrigin(main.frameGeometry(), w->frameGeometry().size(),
                                                            visible, WindowPlacement::kAboutWindowDistance));
        EXPECT_EQ(w->y(), main.frameGeometry().top() + 120);
        w->closeWindow();
    });
    wc.runModal();
    EXPECT_TRUE(shown);
}

TEST(AboutWindow, RunsModallyUntilClosedOrTheProgramEnds)
{
    TempHome home;
    AboutWC wc;
    whenShown<AboutWC>([](AboutWC* w) {
        EXPECT_TRUE(w->isModal());
        w->close();
    });
    wc.runModal();
    EXPECT_FALSE(wc.isVisible());

    // The same window runs again; the end of the program ends the run.
    bool shown = false;
    whenShown<AboutWC>([&](AboutWC*) {
        shown = true;
        NotificationHub::defaultCenter().post(QStringLiteral("ApplicationWillTerminate"));
    });
    wc.runModal();
    EXPECT_TRUE(shown);
    EXPECT_FALSE(wc.isVisible());

    // Ended before it ran: it does not run at all.
    AboutWC late;
    NotificationHub::defaultCenter().post(QStringLiteral("ApplicationWillTerminate"));
    EXPECT_EQ(late.runModal(), 0);
    EXPECT_FALSE(late.isVisible());
}
