#include "ui/prefs/PrefsUploadsVC.h"

#include "platform/UserDefaults.h"
#include "ui/prefs/ButtonCellPrefsLSB.h"
#include "ui/prefs/PrefsSubPages.h"
#include "ui/prefs/SignatureTextView.h"
#include "support/LogFileReader.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

namespace {

struct UploadsFixture
{
    TempHome home;
    PrefsUploadsVC page{PrefsContext{}};

    explicit UploadsFixture(const QString& signature = {}, bool enabled = true)
    {
        UserDefaults::standard().setBool(enabled, QStringLiteral("enableUserSignature"));
        view()->setPlainText(signature);
        page.show();
    }
    SignatureTextView* view() const { return page.signatureTextView(); }
    QString counter() const { return page.remainingTextSizeTextField()->text(); }
    // Puts the cursor at the end, or selects [from, to).
    void select(qsizetype from, qsizetype to) const
    {
        QTextCursor c = view()->textCursor();
        c.setPosition(int(from));
        c.setPosition(int(to), QTextCursor::KeepAnchor);
        view()->setTextCursor(c);
    }
    void paste(const QString& text) const
    {
        QApplication::clipboard()->setText(text);
        view()->paste();
    }
};

} // namespace

TEST(PrefsUploads, SignatureLimitCountsTheReplacedRange)
{
    struct Case
    {
        const char* name;
        qsizetype length;            // of the signature before the edit
        qsizetype selectFrom, selectTo; // replaced range; equal: the cursor
        const char* inserted;
        bool typed;                  // typed with the keyboard, else pasted
        bool accepted;
    };
    const Case cases[] = {
        {"598 plus a paste of 3", 598, 598, 598, "abc", false, false},
        {"598 plus a paste of 2", 598, 598, 598, "ab", false, true},
        {"full text, one more key", 600, 600, 600, "x", true, false},
        {"full text, a selection overwritten by a key", 600, 10, 15, "x", true, true},
        {"full text, a selection overwritten by a paste of its size", 600, 0, 5, "12345", false, true},
        {"full text, a paste larger than the selection", 600, 0, 5, "123456", false, false},
        {"empty, 600 at once", 0, 0, 0, nullptr, false, true},
        {"empty, 601 at once", 0, 0, 0, nullptr, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UploadsFixture f(QString(c.length, QLatin1Char('s')));
        f.select(c.selectFrom, c.selectTo);
        QString text = c.inserted ? QString::fromLatin1(c.inserted)
                                  : QString(QString(c.name).contains(QLatin1String("601")) ? 601 : 600, u'p');
        const QString before = f.view()->toPlainText();
        if (c.typed)
            QTest::keyClicks(f.view(), text);
        else
            f.paste(text);
        const QString expected =
            c.accepted ? QString(before).replace(c.selectFrom, c.selectTo - c.selectFrom, text) : before;
        EXPECT_EQ(f.view()->toPlainText(), expected);
        EXPECT_EQ(f.counter(), QStringLiteral("Max. chars left: %1").arg(600 - expected.size()));
    }
}

TEST(PrefsUploads, FullSignatureShowsZeroAndStillDeletes)
{
    UploadsFixture f(QString(600, u'a'));
    EXPECT_EQ(f.counter(), "Max. chars left: 0");
    f.select(600, 600);
    QTest::keyClick(f.view(), Qt::Key_Backspace);
    EXPECT_EQ(f.view()->toPlainText().size(), 599);
    EXPECT_EQ(f.counter(), "Max. chars left: 1");
    QTest::keyClick(f.view(), Qt::Key_Return);
    EXPECT_TRUE(f.view()->toPlainText().endsWith(u'\n'));
    QTest::keyClick(f.view(), Qt::Key_Return);
    EXPECT_EQ(f.view()->toPlainText().size(), 600) << "a line break counts too";
}

TEST(PrefsUploads, SwitchedOffSignatureCannotBeEditedOrSelected)
{
    UploadsFixture f(QStringLiteral("-- \nme"), false);
    EXPECT_TRUE(f.view()->isReadOnly());
    EXPECT_EQ(f.view()->textInteractionFlags(), Qt::NoTextInteraction);
    EXPECT_EQ(f.view()->palette().color(QPalette::Text),
              f.view()->palette().color(QPalette::Disabled, QPalette::WindowText));
    QTest::keyClicks(f.view(), "zz");
    EXPECT_EQ(f.view()->toPlainText(), "-- \nme");
    // The check box turns it on at once.
    f.page.findChild<QCheckBox*>("enableUserSignature")->click();
    EXPECT_FALSE(f.view()->isReadOnly());
    EXPECT_EQ(f.view()->textInteractionFlags(), Qt::TextEditorInteraction);
}

TEST(PrefsUploads, SignatureIsStoredWhenThePageIsHiddenNotWhileTyping)
{
    UploadsFixture f(QString(), true);
    f.view()->setFocus();
    QTest::keyClicks(f.view(), "Greetings");
    EXPECT_EQ(UserDefaults::standard().stringForKey("userSignature"), "");
    f.page.subPages()->button(2)->click();
    f.page.hide();
    EXPECT_EQ(UserDefaults::standard().stringForKey("userSignature"), "Greetings");
    EXPECT_EQ(UserDefaults::standard().integerForKey("lastUsedPrefsUploadView"), 2);
}

TEST(PrefsUploads, ExportFolderIsStoredAndLogged)
{
    UploadsFixture f;
    const QString folder = f.home.makeFolder("exports");
    f.page.changeFolderToUrl(folder, PrefsUploadsVC::kFolderNZBExport);
    EXPECT_EQ(UserDefaults::standard().stringForKey("uploadNZBExportPath"), folder);
    EXPECT_EQ(f.page.findChild<QLineEdit*>("uploadNZBExportPath")->text(), folder);
    EXPECT_EQ(LogFileReader(f.home.logFilePath()).linesWithMessage("Changing 'NZBExport Folder' to : " + folder).size(),
              1);
    f.page.changeFolderToUrl(f.home.makeFolder("other"), 2);
    EXPECT_EQ(UserDefaults::standard().stringForKey("uploadNZBExportPath"), folder);
}
