#include "platform/DefaultExtensionWrapper.h"

#include "support/IsolatedDesktop.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

const QString kOwn = QStringLiteral("binorama.desktop");

QString readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

struct Desktop
{
    TempHome home{false};
    IsolatedDesktop desktop;
    QString applications() const { return home.path() + "/.local/share/applications"; }
    QString mimeapps() const { return home.path() + "/.config/mimeapps.list"; }
};

} // namespace

TEST(DefaultExtensionWrapper, ExtensionsMapToTheirTypes)
{
    Desktop d;
    EXPECT_EQ(DefaultExtensionWrapper::UTIforFileExtension("nzb"), "application/x-nzb");
    EXPECT_EQ(DefaultExtensionWrapper::UTIforFileExtension("NZB"), "application/x-nzb");
    EXPECT_EQ(DefaultExtensionWrapper::UTIforFileExtension(".nzb"), "application/x-nzb");
    EXPECT_EQ(DefaultExtensionWrapper::UTIforFileExtension(""), "");
    EXPECT_EQ(DefaultExtensionWrapper::UTIforFileExtension("zz-no-such-extension"), "");
    EXPECT_EQ(DefaultExtensionWrapper::applicationBundleIdentifier(), kOwn);
}

TEST(DefaultExtensionWrapper, WithoutAnyHandlerNothingIsTheDefault)
{
    Desktop d;
    EXPECT_EQ(DefaultExtensionWrapper::getDefaultBundleIdentifierForFileExtension("nzb"), "");
    EXPECT_FALSE(DefaultExtensionWrapper::isBundleIdentifier(kOwn, "nzb"));
    EXPECT_FALSE(DefaultExtensionWrapper::isBundleIdentifier("", "nzb"));
    EXPECT_TRUE(DefaultExtensionWrapper::getSupportedBundleIdentifiersForExtension("nzb").isEmpty());
    // An extension without a type has no handler either.
    EXPECT_FALSE(DefaultExtensionWrapper::isBundleIdentifier(kOwn, "zz-no-such-extension"));
}

TEST(DefaultExtensionWrapper, MakingTheProgramTheDefaultInstallsItAndReadsBack)
{
    Desktop d;
    ASSERT_TRUE(DefaultExtensionWrapper::makeBundleIdentifier(kOwn, "nzb"));
    EXPECT_TRUE(DefaultExtensionWrapper::isBundleIdentifier(kOwn, "nzb"));
    EXPECT_EQ(DefaultExtensionWrapper::getDefaultBundleIdentifierForFileExtension("nzb"), kOwn);
    EXPECT_EQ(DefaultExtensionWrapper::getSupportedBundleIdentifiersForUti("application/x-nzb"),
              QStringList{kOwn});

    const QString entry = readFile(d.applications() + "/binorama.desktop");
    EXPECT_TRUE(entry.startsWith("[Desktop Entry]\n"));
    EXPECT_TRUE(entry.contains("\nMimeType=application/x-nzb;\n"));
    EXPECT_TRUE(entry.contains("\nExec=" + QCoreApplication::applicationFilePath() + " %F\n"));
    // Otherwise the entry is the one the program ships and installs.
    const QString shipped = readFile(QStringLiteral(BINORAMA_TEST_DATA "/../../data/binorama.desktop"));
    ASSERT_TRUE(shipped.contains("\nIcon=binorama\n"));
    EXPECT_EQ(QString(entry).remove(QRegularExpression("\nExec=[^\n]*")),
              QString(shipped).remove(QRegularExpression("\nExec=[^\n]*")));
    EXPECT_TRUE(readFile(d.mimeapps()).contains("application/x-nzb=binorama.desktop"));

    // The isolated system knows no NZB type: the program brought its own.
    EXPECT_EQ(readFile(d.home.path() + "/.local/share/mime/packages/binorama-nzb.xml"),
              readFile(QStringLiteral(BINORAMA_TEST_DATA "/../../data/binorama-nzb.xml")));
    if (!QStandardPaths::findExecutable("update-mime-database").isEmpty()) {
        EXPECT_TRUE(DefaultExtensionWrapper::isMimeTypeInstalled("application/x-nzb"));
    }
}

TEST(DefaultExtensionWrapper, AnotherDefaultApplicationIsReplaced)
{
    Desktop d;
    d.desktop.installSystemApplication("other-reader.desktop", "text/plain;application/x-nzb;");
    d.desktop.installSystemApplication("unrelated.desktop", "text/plain;");
    QFile list(d.mimeapps());
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write("[Default Applications]\napplication/x-nzb=other-reader.desktop\n");
    list.close();

    EXPECT_EQ(DefaultExtensionWrapper::getDefaultBundleIdentifierForFileExtension("nzb"),
              "other-reader.desktop");
    EXPECT_FALSE(DefaultExtensionWrapper::isBundleIdentifier(kOwn, "nzb"));
    EXPECT_TRUE(DefaultExtensionWrapper::isBundleIdentifier("other-reader.desktop", "nzb"));
    EXPECT_EQ(DefaultExtensionWrapper::getSupportedBundleIdentifiersForExtension("nzb"),
              QStringList{"other-reader.desktop"});

    ASSERT_TRUE(DefaultExtensionWrapper::makeBundleIdentifier(kOwn, "nzb"));
    EXPECT_TRUE(DefaultExtensionWrapper::isBundleIdentifier(kOwn, "nzb"));
    // The user's own entries come before the system's.
    EXPECT_EQ(DefaultExtensionWrapper::getSupportedBundleIdentifiersForExtension("nzb"),
              QStringList({kOwn, "other-reader.desktop"}));
    // And back again.
    ASSERT_TRUE(DefaultExtensionWrapper::makeBundleIdentifier("other-reader.desktop", "nzb"));
    EXPECT_FALSE(DefaultExtensionWrapper::isBundleIdentifier(kOwn, "nzb"));
}

TEST(DefaultExtensionWrapper, AFailedChangeSaysSoAndAnswersNo)
{
    Desktop d;
    struct Case
    {
        QString identifier, extension;
    };
    const Case cases[] = {
        {"not-installed.desktop", "nzb"}, // the desktop cannot start it, so it never becomes the default
        {kOwn, "zz-no-such-extension"},   // no type to be the default for
        {"no-desktop-suffix", "nzb"},     // not a desktop file id
    };
    for (const Case& c : cases) {
        testing::internal::CaptureStderr();
        EXPECT_FALSE(DefaultExtensionWrapper::makeBundleIdentifier(c.identifier, c.extension))
            << c.identifier.toStdString();
        const std::string console = testing::internal::GetCapturedStderr();
        EXPECT_NE(
            console.find(("Unable to set " + c.identifier + " as default for file extension " + c.extension)
                             .toStdString()),
            std::string::npos)
            << console;
    }
    EXPECT_EQ(DefaultExtensionWrapper::getDefaultBundleIdentifierForFileExtension("nzb"), "");
}

TEST(DefaultExtensionWrapper, ASystemThatKnowsTheTypeGetsNoCopy)
{
    Desktop d;
    const QString systemMime = d.desktop.systemDataPath() + "/mime/application";
    ASSERT_TRUE(QDir().mkpath(systemMime));
    QFile type(systemMime + "/x-nzb.xml");
    ASSERT_TRUE(type.open(QIODevice::WriteOnly));
    type.close();
    EXPECT_TRUE(DefaultExtensionWrapper::installNZBMimeTypeIfMissing());
    EXPECT_FALSE(QFileInfo::exists(d.home.path() + "/.local/share/mime/packages/binorama-nzb.xml"));
}

TEST(DefaultExtensionWrapper, ExecLineQuotesAPathWithBlanks)
{
    Desktop d;
    ASSERT_TRUE(DefaultExtensionWrapper::installDesktopEntry("/opt/My Apps/bino$rama"));
    const QString entry = readFile(d.applications() + "/binorama.desktop");
    EXPECT_TRUE(entry.contains("\nExec=\"/opt/My Apps/bino\\\\$rama\" %F\n")) << entry.toStdString();
}
