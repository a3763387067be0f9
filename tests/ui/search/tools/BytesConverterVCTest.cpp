// The size converter popup: what it keeps of typed text and the bytes it reports.

#include "ui/search/tools/BytesConverterVC.h"

#include "controls/SearchArtwork.h"
#include "controls/TVLTextField.h"
#include "platform/UserDefaults.h"
#include "support/EventLoop.h"
#include "support/TempHome.h"
#include "ui/search/tools/BytesConverterDelegate.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QTest>

namespace {

struct Listener : BytesConverterDelegate
{
    QList<std::pair<QString, TVLTextField*>> heard;
    void bytesConversionFinishedWithValue(const QString& value, TVLTextField* field) override
    {
        heard.append({value, field});
    }
};

TEST(BytesConverter, ConvertsDecimalTextToWholeBytes)
{
    struct Case
    {
        const char* text;
        qint64 unit;
        const char* bytes; // nullptr: no result
    };
    const Case cases[] = {
        {"1,5", 2, "1500000"},
        {"1.5", 2, "1500000"},
        {"0.5", 1, nullptr},
        {"0,5", 3, nullptr},
        {"", 1, nullptr},
        {".5", 1, nullptr},
        {"123456789", 4, "9999999999999999"},
        {"12345", 4, "9999999999999999"}, // 17 digits
        {"1234", 4, "1234000000000000"},
        {"5", 7, "0"},
        {"5", -1, "0"},
        {"7", 0, "7"},
        {"1.2345", 1, "1234"},       // a part of a byte is dropped
        {"1.9999999", 2, "1999999"}, // never rounded up
        {"2.5", 0, "2"},
        {"007", 1, "7000"},
        {"1.5.7", 1, "1500"},        // the leading number only
        {"3,25", 3, "3250000000"},
        {"99999999999999999999", 0, "9999999999999999"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " unit " + std::to_string(c.unit));
        const QString result = BytesConverterVC::bytesFor(QString::fromLatin1(c.text), c.unit);
        if (!c.bytes) {
            EXPECT_TRUE(result.isNull()) << result.toStdString();
        } else {
            EXPECT_EQ(result, QString::fromLatin1(c.bytes));
        }
    }
}

TEST(BytesConverter, TypingKeepsOnlyDigitsCommaAndPoint)
{
    TempHome home;
    BytesConverterVC vc;
    const std::pair<const char*, const char*> cases[] = {
        {"1,5 GB", "1,5"}, {"abc", ""}, {"12.5e3", "12.53"}, {"-4 000", "4000"}, {"0123456789,.", "0123456789,."},
    };
    for (const auto& [typed, kept] : cases) {
        SCOPED_TRACE(typed);
        vc.valueTextField()->textField()->clear();
        QTest::keyClicks(vc.valueTextField()->textField(), QString::fromLatin1(typed));
        EXPECT_EQ(vc.valueTextField()->textField()->text(), QString::fromLatin1(kept));
        EXPECT_EQ(vc.valueTextField()->stringValue(), QString::fromLatin1(kept));
    }
}

TEST(BytesConverter, ReportsToItsDelegateInTheStoredUnit)
{
    TempHome home;
    TVLTextField target;
    Listener listener;
    const std::tuple<qint64, const char*, const char*> cases[] = {
        {2, "1,5", "1500000"}, {1, "0.5", nullptr}, {4, "123456789", "9999999999999999"}, {7, "3", "0"},
    };
    for (const auto& [unit, typed, expected] : cases) {
        SCOPED_TRACE(typed);
        UserDefaults::standard().setInteger(unit, QStringLiteral("convertBytesUnit"));
        BytesConverterVC vc;
        vc.setDelegate(&listener);
        vc.setTextField(&target);
        listener.heard.clear();
        vc.valueTextField()->setStringValue(QString::fromLatin1(typed));
        Q_EMIT vc.valueTextField()->textField()->editingFinished();
        ASSERT_EQ(listener.heard.size(), 1);
        EXPECT_EQ(listener.heard[0].second, &target);
        if (expected)
            EXPECT_EQ(listener.heard[0].first, QString::fromLatin1(expected));
        else
            EXPECT_TRUE(listener.heard[0].first.isNull());
    }
}

TEST(BytesConverter, TheUnitPopUpFollowsAndSetsTheSetting)
{
    TempHome home;
    UserDefaults::standard().setInteger(3, QStringLiteral("convertBytesUnit"));
    BytesConverterVC vc;
    EXPECT_TRUE(vc.windowFlags().testFlag(Qt::Popup));
    EXPECT_EQ(vc.unitPopUp()->currentText(), QStringLiteral("GB"));
    vc.unitPopUp()->setCurrentIndex(0);
    Q_EMIT vc.unitPopUp()->activated(0);
    EXPECT_EQ(UserDefaults::standard().integerForKey(QStringLiteral("convertBytesUnit")), 0);
}

TEST(BytesConverter, LooksFinished)
{
    TempHome home;
    SearchArtwork::registerImages();
    UserDefaults::standard().setInteger(2, QStringLiteral("convertBytesUnit"));
    QWidget anchor;
    anchor.resize(300, 40);
    anchor.show();
    BytesConverterVC vc;
    vc.showRelativeTo(&anchor);
    QTest::keyClicks(vc.valueTextField()->textField(), QStringLiteral("1,5"));
    spinEventLoop(50);
    const QImage shot = vc.grab().toImage();
    ASSERT_FALSE(shot.isNull());
    EXPECT_GE(shot.width(), 180);
    const QByteArray path = qgetenv("BINORAMA_SCREENSHOT");
    shot.save(path.isEmpty() ? QStringLiteral(BINORAMA_BINARY_DIR "/bytes-converter.png") : QString::fromLocal8Bit(path));
    vc.hide();
}

} // namespace
