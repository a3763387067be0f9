// The least Watchdog editor, on a real scheduler and its stores.

#include "ui/search/WatchdogEditWC.h"

#include "platform/UserDefaults.h"
#include "search/DBWatchdog.h"
#include "search/WatchdogController.h"
#include "support/EventLoop.h"
#include "support/ScriptedDialogAnswerer.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

struct WatchdogEditor : ::testing::Test
{
    TempHome home;
    ScriptedDialogAnswerer answers;
    WatchdogController wc;

    WatchdogEditWC* open(const WatchdogPtr& entry)
    {
        wc.setEditWindowPresenter([this](const WatchdogPtr& e) { WatchdogEditWC::showWindow(e, &wc); });
        wc.showWatchdogEditWindow(entry);
        WatchdogEditWC* editor = WatchdogEditWC::openEditor();
        EXPECT_TRUE(editor);
        return editor;
    }
};

TEST_F(WatchdogEditor, SavingANewEntryAddsStoresAndMakesItDue)
{
    UserDefaults::standard().setBool(true, QStringLiteral("showDialogNewWatchdogCreated"));
    answers.script({1000});
    QPointer<WatchdogEditWC> editor = open(nullptr);
    const WatchdogPtr entry = editor->currentObject();
    ASSERT_TRUE(entry->isNewObject());
    EXPECT_EQ(editor->aliasField()->text(), "Watchdog entry #1");
    EXPECT_EQ(editor->intervalPopup()->currentText(), "15 minutes");

    // No query: a message, nothing saved, the window stays.
    editor->saveButton()->click();
    EXPECT_TRUE(editor);
    EXPECT_EQ(editor->messageLabel()->text(), "Enter a search query.");
    EXPECT_TRUE(wc.watchdogArray().isEmpty());

    editor->aliasField()->setText(QStringLiteral("Nightly"));
    editor->queryField()->setText(QStringLiteral("some show"));
    editor->intervalPopup()->setCurrentIndex(editor->intervalPopup()->findData(qint64(60)));
    editor->actionPopup()->setCurrentIndex(1); // paused
    const qint64 before = wc.now();
    editor->saveButton()->click();
    ASSERT_TRUE(waitUntil([&] { return !editor; }));

    ASSERT_EQ(wc.watchdogArray().size(), 1);
    EXPECT_EQ(wc.watchdogArray().first(), entry);
    EXPECT_TRUE(entry->active());
    EXPECT_FALSE(entry->isNewObject());
    EXPECT_EQ(entry->alias(), "Nightly");
    EXPECT_EQ(entry->dpobject()->title(), QStringLiteral("some show"));
    EXPECT_EQ(entry->action(), 0);
    EXPECT_LE(entry->lastsearch(), before - 60 * 61 + 2);
    EXPECT_LT(entry->nextsearch(), wc.now()); // due at once
    EXPECT_EQ(answers.askedTitles(), QStringList({"Watchdog entry is created"}));
    DBWatchdog store;
    ASSERT_EQ(store.loadAll().size(), 1);
}

TEST_F(WatchdogEditor, CancelLeavesEverythingAsItWas)
{
    UserDefaults::standard().setBool(true, QStringLiteral("showDialogNewWatchdogCreated"));
    QPointer<WatchdogEditWC> editor = open(nullptr);
    const WatchdogPtr entry = editor->currentObject();
    editor->queryField()->setText(QStringLiteral("ignored"));
    editor->cancelButton()->click();
    ASSERT_TRUE(waitUntil([&] { return !editor; }));
    EXPECT_FALSE(entry->isNewObject());
    EXPECT_TRUE(wc.watchdogArray().isEmpty());
    EXPECT_TRUE(answers.asked().isEmpty());
    EXPECT_FALSE(entry->dpobject()->title().has_value());
}

TEST_F(WatchdogEditor, EditingAnEntryUpdatesItsRow)
{
    WatchdogPtr entry = wc.createObject();
    entry->setIsNewObject(false);
    entry->dpobject()->setTitle(QStringLiteral("old words"));
    entry->setInterval(45); // not offered: gets its own row
    wc.addEntry(entry);
    ASSERT_TRUE(wc.dbSaveAllWatchdogEntries());
    QPointer<WatchdogEditWC> editor = open(entry);
    EXPECT_EQ(editor->queryField()->text(), "old words");
    EXPECT_EQ(editor->intervalPopup()->currentText(), "45 minutes");
    editor->queryField()->setText(QStringLiteral("new words"));
    editor->saveButton()->click();
    ASSERT_TRUE(waitUntil([&] { return !editor; }));
    EXPECT_EQ(wc.watchdogLogArray().first().actionString, "Edited entry");
    DBWatchdog store;
    const QList<WatchdogPtr> stored = store.loadAll();
    ASSERT_EQ(stored.size(), 1);
    EXPECT_EQ(stored.first()->dpobject()->title(), QStringLiteral("new words"));
    EXPECT_EQ(stored.first()->interval(), 45);
}

TEST_F(WatchdogEditor, LooksFinished)
{
    WatchdogPtr entry = wc.createObject();
    entry->dpobject()->setTitle(QStringLiteral("ubuntu 24.04 desktop iso"));
    QPointer<WatchdogEditWC> editor = open(entry);
    editor->aliasField()->setText(QStringLiteral("Ubuntu images"));
    spinEventLoop(50);
    const QImage shot = editor->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    EXPECT_GE(shot.width(), 420);
    const QByteArray path = qgetenv("BINORAMA_SCREENSHOT");
    shot.save(path.isEmpty() ? QStringLiteral(BINORAMA_BINARY_DIR "/watchdog-editor.png") : QString::fromLocal8Bit(path));
    editor->cancelButton()->click();
}

} // namespace
