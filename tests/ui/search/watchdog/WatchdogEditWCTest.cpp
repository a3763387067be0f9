// The Watchdog editor, on a real scheduler and its stores.

#include "ui/search/watchdog/WatchdogEditWC.h"

#include "controls/Artwork.h"
#include "controls/ImageButton.h"
#include "controls/TVLComponentUtils.h"
#include "controls/TVLTextField.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "search/DBWatchdog.h"
#include "search/WatchdogController.h"
#include "support/EventLoop.h"
#include "support/ScriptedDialogAnswerer.h"
#include "support/TempHome.h"
#include "ui/search/tools/BytesConverterVC.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>

namespace {

struct WatchdogEditor : ::testing::Test
{
    TempHome home;
    ScriptedDialogAnswerer answers;
    qint64 clockNow = 1'800'000'000;
    WatchdogController wc{[this] { return clockNow; }};

    void SetUp() override
    {
        UserDefaults::standard().setBool(true, QStringLiteral("showDialogNewWatchdogCreated"));
    }

    WatchdogEditWC* open(const WatchdogPtr& entry)
    {
        wc.setEditWindowPresenter([this](const WatchdogPtr& e) { WatchdogEditWC::showWindow(e, &wc); });
        wc.showWatchdogEditWindow(entry);
        WatchdogEditWC* editor = WatchdogEditWC::openEditor();
        EXPECT_TRUE(editor);
        return editor;
    }
    WatchdogPtr storedEntry(const QString& title)
    {
        WatchdogPtr entry = wc.createObject();
        entry->setIsNewObject(false);
        entry->setActive(false);
        entry->setLastsearch(clockNow - 100);
        entry->dpobject()->setTitle(title);
        wc.addEntry(entry);
        EXPECT_TRUE(wc.dbSaveAllWatchdogEntries());
        return entry;
    }
};

TEST_F(WatchdogEditor, SavingANewEntryAddsStoresAndMakesItDue)
{
    answers.script({1000});
    QPointer<WatchdogEditWC> editor = open(nullptr);
    const WatchdogPtr entry = editor->currentObject();
    ASSERT_TRUE(entry->isNewObject());
    EXPECT_EQ(editor->textFieldAlias()->stringValue(), "Watchdog entry #1");
    EXPECT_EQ(editor->btnInterval()->currentText(), "15 minutes");
    EXPECT_EQ(editor->btnOnMatchAction()->currentText(), "Q + Download");
    EXPECT_TRUE(editor->btnExcludePassword()->isChecked());

    editor->textFieldAlias()->setStringValue(QStringLiteral("Nightly"));
    editor->textFieldQuery()->setStringValue(QStringLiteral("some show"));
    editor->textFieldPoster()->setStringValue(QStringLiteral("poster@example.invalid"));
    editor->textFieldMinSize()->setStringValue(QStringLiteral("1000"));
    editor->btnContentType()->setCurrentIndex(editor->btnContentType()->findData(qint64(1)));
    editor->btnExcludePassword()->setChecked(false);
    editor->btnOnMatchAction()->setCurrentIndex(editor->btnOnMatchAction()->findData(qint64(0)));
    editor->saveButton()->click();
    ASSERT_TRUE(waitUntil([&] { return !editor; }));

    ASSERT_EQ(wc.watchdogArray().size(), 1);
    EXPECT_EQ(wc.watchdogArray().first(), entry);
    EXPECT_TRUE(entry->active());
    EXPECT_FALSE(entry->isNewObject());
    EXPECT_EQ(entry->alias(), "Nightly");
    EXPECT_EQ(entry->dpobject()->title(), QStringLiteral("some show"));
    EXPECT_EQ(entry->dpobject()->poster(), QStringLiteral("poster@example.invalid"));
    EXPECT_EQ(entry->dpobject()->minsize(), QStringLiteral("1000"));
    EXPECT_EQ(entry->dpobject()->maxsize(), QString());
    EXPECT_EQ(entry->dpobject()->ero(), QStringLiteral("1"));
    EXPECT_TRUE(entry->ero());
    EXPECT_FALSE(entry->excludePwdFiles());
    EXPECT_EQ(entry->action(), 0);
    EXPECT_EQ(answers.askedTitles(), QStringList({"Watchdog entry is created"}));
    // The search fields become recent values of the search page's fields.
    EXPECT_EQ(TVLComponentUtils::arrayForKey(QStringLiteral("deepLookupRecentTitle")).value(0).toString(),
              "some show");
    EXPECT_EQ(TVLComponentUtils::arrayForKey(QStringLiteral("deepLookupRecentMinSize")).value(0).toString(),
              "1000");
    EXPECT_TRUE(TVLComponentUtils::arrayForKey(QStringLiteral("deepLookupRecentMaxSize")).isEmpty());
    DBWatchdog store;
    ASSERT_EQ(store.loadAll().size(), 1);
}

TEST_F(WatchdogEditor, SavingNeedsOneSearchField)
{
    struct Case
    {
        const char* field; // the one filled, besides the alias
        bool accepted;
    };
    const Case cases[] = {{"", false},
                          {"textFieldMaxSize", true},
                          {"textFieldNewsgroups", true},
                          {"textFieldPoster", true},
                          {"textFieldQuery", true},
                          {"textFieldMinSize", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        ScriptedDialogAnswerer asked;
        asked.setFallback(1000);
        QPointer<WatchdogEditWC> editor = open(nullptr);
        editor->textFieldAlias()->setStringValue(QStringLiteral("only a name"));
        if (*c.field)
            editor->findChild<TVLTextField*>(QString::fromLatin1(c.field))
                ->setStringValue(QStringLiteral("123"));
        const qsizetype before = wc.watchdogArray().size();
        editor->saveButton()->click();
        if (c.accepted) {
            ASSERT_TRUE(waitUntil([&] { return !editor; }));
            EXPECT_EQ(wc.watchdogArray().size(), before + 1);
            EXPECT_NE(asked.askedTitles().value(0), "Unable to save !");
        } else {
            ASSERT_EQ(asked.asked().size(), 1);
            EXPECT_EQ(asked.asked().first().title, "Unable to save !");
            EXPECT_EQ(asked.asked().first().info,
                      "All mandatory searchfields are empty.\nPlease correct that before continuing.");
            spinEventLoop(20);
            ASSERT_TRUE(editor); // stays open with what was typed
            EXPECT_EQ(editor->textFieldAlias()->stringValue(), "only a name");
            EXPECT_EQ(wc.watchdogArray().size(), before);
            editor->cancelButton()->click();
            ASSERT_TRUE(waitUntil([&] { return !editor; }));
        }
    }
}

TEST_F(WatchdogEditor, ANewEntryIsDueAtOnceUnlessManual)
{
    struct Case
    {
        qint64 interval;
        qint64 lastsearch;
        QString nextsearch;
    };
    const Case cases[] = {{15, clockNow - 915, "Now"}, {0, clockNow, "--"}, {60, clockNow - 3660, "Now"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.interval);
        QPointer<WatchdogEditWC> editor = open(nullptr);
        const WatchdogPtr entry = editor->currentObject();
        editor->textFieldQuery()->setStringValue(QStringLiteral("words"));
        editor->btnInterval()->setCurrentIndex(editor->btnInterval()->findData(c.interval));
        editor->saveButton()->click();
        ASSERT_TRUE(waitUntil([&] { return !editor; }));
        EXPECT_EQ(entry->lastsearch(), c.lastsearch);
        ASSERT_TRUE(waitUntil([&] { return entry->nextsearchString() == c.nextsearch; }))
            << entry->nextsearchString().toStdString();
    }
}

TEST_F(WatchdogEditor, EditingKeepsStateAndUpdatesTheStore)
{
    WatchdogPtr entry = storedEntry(QStringLiteral("old words"));
    entry->setInterval(45); // not offered: gets its own item
    spinEventLoop(10);
    const qint64 lastsearch = entry->lastsearch();
    QPointer<WatchdogEditWC> editor = open(entry);
    EXPECT_EQ(editor->textFieldQuery()->stringValue(), "old words");
    EXPECT_EQ(editor->btnInterval()->currentText(), "45 minutes");
    editor->textFieldQuery()->setStringValue(QStringLiteral("new words"));
    editor->saveButton()->click();
    ASSERT_TRUE(waitUntil([&] { return !editor; }));
    EXPECT_FALSE(entry->active());
    EXPECT_FALSE(entry->isNewObject());
    EXPECT_EQ(entry->lastsearch(), lastsearch);
    EXPECT_EQ(wc.watchdogLogArray().first().actionString, "Edited entry");
    EXPECT_TRUE(answers.asked().isEmpty());
    DBWatchdog store;
    const QList<WatchdogPtr> stored = store.loadAll();
    ASSERT_EQ(stored.size(), 1);
    EXPECT_EQ(stored.first()->dpobject()->title(), QStringLiteral("new words"));
    EXPECT_EQ(stored.first()->interval(), 45);
}

TEST_F(WatchdogEditor, ChosenNewsgroupsBecomeOneQuery)
{
    struct Case
    {
        QList<std::pair<QString, bool>> groups;
        QString field;
        QString content;
    };
    const Case cases[] = {
        {{{"alt.binaries.foo", false}}, "foo", "General"},
        {{{"alt.binaries", true}}, "alt.binaries", "Erotica"},
        {{{"alt.binaries.foo", false}, {"alt.binaries.bar", true}}, "((foo) OR (bar))", "Erotica"},
        {{{"alt.binaries.x", true}, {"misc.test", false}, {"alt.binaries.y", false}},
         "((x) OR (misc.test) OR (y))",
         "General"},
        {{}, "kept", "General"},
    };
    QPointer<WatchdogEditWC> editor = open(nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field.toStdString());
        editor->textFieldNewsgroups()->setStringValue(QStringLiteral("kept"));
        editor->btnContentType()->setCurrentIndex(0);
        QList<IndexedNG> groups;
        for (const auto& [name, ero] : c.groups) {
            IndexedNG g;
            g.setNewsgroup(name);
            g.setEro(ero);
            groups.append(g);
        }
        editor->addNewsgroups(groups);
        EXPECT_EQ(editor->textFieldNewsgroups()->stringValue(), c.field);
        EXPECT_EQ(editor->btnContentType()->currentText(), c.content);
    }
    editor->cancelButton()->click();
}

TEST_F(WatchdogEditor, SizeFieldsTakeTheConvertersResult)
{
    struct Case
    {
        const char* identifier;
        qint64 unit;
        QString typed;
        QString minField;
        QString maxField;
    };
    const Case cases[] = {
        {"MinBytesConverter", 2, "1,5", "1500000", "77"},
        {"MaxBytesConverter", 1, "1.2345", "55", "1234"},
        {"MaxBytesConverter", 4, "123456789", "55", "9999999999999999"},
        {"MinBytesConverter", 1, "0.5", "55", "77"}, // no result keeps the field
        {"MinBytesConverter", 1, "", "55", "77"},
        {"Newsgroups", 1, "", "55", "77"}, // not a size field: no converter
    };
    QPointer<WatchdogEditWC> editor = open(nullptr);
    BytesConverterVC* first = nullptr;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.identifier + (" " + c.typed.toStdString()));
        editor->textFieldMinSize()->setStringValue(QStringLiteral("55"));
        editor->textFieldMaxSize()->setStringValue(QStringLiteral("77"));
        UserDefaults::standard().setInteger(c.unit, QStringLiteral("convertBytesUnit"));
        if (editor->bytesConverterVC()) editor->bytesConverterVC()->hide();
        TVLTextField* field = QString::fromLatin1(c.identifier) == QStringLiteral("MinBytesConverter")
                                  ? editor->textFieldMinSize()
                              : QString::fromLatin1(c.identifier) == QStringLiteral("MaxBytesConverter")
                                  ? editor->textFieldMaxSize()
                                  : nullptr;
        if (field) {
            // The field's own extra button opens the converter.
            auto* button = field->findChild<QAbstractButton*>(QStringLiteral("extraButton"));
            ASSERT_TRUE(button);
            EXPECT_TRUE(button->isVisibleTo(editor));
            button->click();
        } else {
            editor->extraButtonClicked(nullptr, QString::fromLatin1(c.identifier));
        }
        BytesConverterVC* vc = editor->bytesConverterVC();
        if (QString::fromLatin1(c.identifier) == QStringLiteral("Newsgroups")) {
            EXPECT_TRUE(!vc || !vc->isVisible());
            continue;
        }
        ASSERT_TRUE(vc);
        if (!first) first = vc;
        EXPECT_EQ(vc, first); // made once
        EXPECT_TRUE(vc->isVisible());
        EXPECT_EQ(vc->textField(), field);
        vc->valueTextField()->setStringValue(c.typed);
        vc->convertToBytes();
        EXPECT_FALSE(vc->isVisible());
        EXPECT_EQ(editor->textFieldMinSize()->stringValue(), c.minField);
        EXPECT_EQ(editor->textFieldMaxSize()->stringValue(), c.maxField);
    }
    // An empty string from the converter leaves the field as it was, too.
    editor->bytesConversionFinishedWithValue(QStringLiteral(""), editor->textFieldMaxSize());
    EXPECT_EQ(editor->textFieldMaxSize()->stringValue(), QStringLiteral("77"));
    editor->bytesConversionFinishedWithValue(QStringLiteral("42"), nullptr);
    EXPECT_EQ(editor->textFieldMaxSize()->stringValue(), QStringLiteral("77"));
    editor->cancelButton()->click();
}

TEST_F(WatchdogEditor, SizeFieldsShowBothTheirButtonsSideBySide)
{
    WatchdogPtr entry = storedEntry(QStringLiteral("words"));
    entry->dpobject()->setMinsize(QStringLiteral("1000")); // its clear button shows, too
    QPointer<WatchdogEditWC> editor = open(entry);
    spinEventLoop(20);
    const QImage converter = Artwork::image(QStringLiteral("sf_icon_converter"), QSize(14, 14));
    for (TVLTextField* field : {editor->textFieldMinSize(), editor->textFieldMaxSize()}) {
        SCOPED_TRACE(field->objectName().toStdString());
        ImageButton* arrow = field->arrowButton();
        ImageButton* extra = field->extraButton();
        ASSERT_TRUE(arrow && extra);
        // Its own image: not the recent-values arrow next to it.
        EXPECT_EQ(extra->image().toImage().convertToFormat(converter.format()), converter);
        EXPECT_NE(extra->image().toImage(), arrow->image().toImage());
        QList<QWidget*> parts = {arrow, extra, field->findChild<QWidget*>(QStringLiteral("textField"))};
        if (field->cancelButton()->isVisible()) parts.append(field->cancelButton());
        for (QWidget* part : parts) {
            SCOPED_TRACE(part->objectName().toStdString());
            EXPECT_TRUE(part->isVisibleTo(editor));
            EXPECT_TRUE(field->rect().contains(part->geometry()));
            for (QWidget* other : parts) {
                if (other == part) continue;
                EXPECT_FALSE(part->geometry().intersects(other->geometry()))
                    << other->objectName().toStdString();
            }
        }
    }
    EXPECT_TRUE(editor->textFieldMinSize()->cancelButton()->isVisible());
    editor->cancelButton()->click();
}

TEST_F(WatchdogEditor, AnyCloseWithoutSaveDropsTheNewEntrySilently)
{
    enum class How { Cancel, CloseButton, Quit };
    for (How how : {How::Cancel, How::CloseButton, How::Quit}) {
        SCOPED_TRACE(int(how));
        QPointer<WatchdogEditWC> editor = open(nullptr);
        const WatchdogPtr entry = editor->currentObject();
        editor->textFieldQuery()->setStringValue(QStringLiteral("ignored"));
        switch (how) {
        case How::Cancel:
            editor->cancelButton()->click();
            break;
        case How::CloseButton:
            editor->close();
            break;
        case How::Quit:
            NotificationHub::defaultCenter().post(QStringLiteral("ApplicationWillTerminate"));
            break;
        }
        ASSERT_TRUE(waitUntil([&] { return !editor; }));
        EXPECT_FALSE(entry->isNewObject());
        EXPECT_TRUE(wc.watchdogArray().isEmpty());
        EXPECT_TRUE(answers.asked().isEmpty());
        EXPECT_FALSE(entry->dpobject()->title().has_value());
    }
}

TEST_F(WatchdogEditor, TheHelpButtonAsksForTheWatchdogTopic)
{
    QObject owner;
    QList<Notification> asked;
    NotificationHub::defaultCenter().addObserver(QStringLiteral("ShowHelpWindowForTopic"), &owner,
                                                 [&](const Notification& n) { asked.append(n); });
    QPointer<WatchdogEditWC> editor = open(nullptr);
    editor->findChild<QPushButton*>(QStringLiteral("helpButton"))->click();
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked.first().object, editor.data());
    EXPECT_EQ(asked.first().userInfo.value(QStringLiteral("topic")).toLongLong(), 3);
    EXPECT_TRUE(editor->isVisible()); // help leaves the editor open
    editor->cancelButton()->click();
    NotificationHub::defaultCenter().removeObserver(&owner);
}

TEST_F(WatchdogEditor, LooksFinished)
{
    WatchdogPtr entry = storedEntry(QStringLiteral("ubuntu 24.04 desktop iso"));
    entry->dpobject()->setGroup(QStringLiteral("(linux) OR (iso)"));
    entry->dpobject()->setMinsize(QStringLiteral("1000000000"));
    const bool newEntry = qEnvironmentVariableIsSet("BINORAMA_SCREENSHOT_NEW");
    QPointer<WatchdogEditWC> editor = open(newEntry ? nullptr : entry);
    if (!newEntry) editor->textFieldAlias()->setStringValue(QStringLiteral("Ubuntu images"));
    spinEventLoop(50);
    const QImage shot = editor->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    EXPECT_GE(shot.width(), 480);
    const QByteArray path = qgetenv("BINORAMA_SCREENSHOT");
    shot.save(path.isEmpty() ? QStringLiteral(BINORAMA_BINARY_DIR "/watchdog-editor.png")
                             : QString::fromLocal8Bit(path));
    editor->cancelButton()->click();
}

} // namespace
