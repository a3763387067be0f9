// The news-server page of the settings window, offscreen, on the engine's
// own server list and statistics store.

#include "ui/prefs/PrefsServersVC.h"
#include "ui/nntp/ServerTestWC.h"
#include "ui/prefs/NewsServersTableModel.h"
#include "ui/prefs/PrefsUploadSettingsWC.h"
#include "ui/prefs/TableViewNewsServers.h"

#include "engine/EngineControllers.h"
#include "nntp/NNTPServersController.h"
#include "nntp/NntpTlsConfiguration.h"
#include "stats/DBStatsUsage.h"
#include "stats/StatsUsageObject.h"

#include "support/EventLoop.h"
#include "support/ScriptedDialogAnswerer.h"
#include "support/TempHome.h"
#include "support/TestCertificates.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include <functional>

namespace {

class ServersPage : public ::testing::Test
{
protected:
    TempHome home;
    ScriptedDialogAnswerer dialogs;
    EngineControllers engine;

    void SetUp() override { engine.initControllers(); }

    NNTPServersController& servers() { return *engine.nntpServersController(); }

    // Servers "S0" to "S<n-1>", in that order.
    void addServers(int n)
    {
        for (int i = 0; i < n; ++i)
            servers().createNewNNTPServer()->setAlias(QStringLiteral("S%1").arg(i));
    }

    QStringList aliases()
    {
        QStringList out;
        for (const NNTPServerObjectPtr& s : servers().arrayNNTPServers())
            out << s->alias();
        return out;
    }

    std::unique_ptr<PrefsServersVC> makePage()
    {
        auto page = std::make_unique<PrefsServersVC>(PrefsContext::fromEngine(engine));
        page->resize(page->sizeHint());
        page->show();
        return page;
    }

    template <class T>
    static T* control(const QWidget& page, const char* name)
    {
        T* found = page.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    static void typeInto(QWidget* field, const QString& text)
    {
        field->setFocus();
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(field, Qt::Key_Delete);
        QTest::keyClicks(field, text);
    }

    // The serverids of the stored statistics rows, sorted.
    static QStringList statisticsServerIDs()
    {
        QStringList ids;
        for (const QStringList& row : DBStatsUsage().collectDataForPeriod(0, 10000000))
            ids << row.value(2);
        ids.sort();
        return ids;
    }

    static void storeStatistics(const QStringList& serverIDs)
    {
        QList<StatsUsageObject> records;
        for (const QString& id : serverIDs) {
            StatsUsageObject r;
            r.type = StatsUsageObject::Stored;
            r.serverID = id;
            r.date = 19000;
            r.bytes = 1000;
            records << r;
        }
        ASSERT_TRUE(DBStatsUsage().writeStatsToDB(records));
    }
};

} // namespace

TEST_F(ServersPage, AnEmptyListGetsOneSelectedServer)
{
    ASSERT_TRUE(servers().arrayNNTPServers().isEmpty());
    const auto page = makePage();
    ASSERT_EQ(servers().arrayNNTPServers().size(), 1);
    EXPECT_EQ(page->selectedServer(), servers().arrayNNTPServers().first());
    EXPECT_EQ(page->tableviewNewsServers()->selectedRows(), QList<int>({0}));
    EXPECT_TRUE(control<QWidget>(*page, "serverEditor")->isEnabled());
    // A new server is shown in the statistics, in a colour of its own.
    EXPECT_EQ(page->selectedServer()->showStats(), 1);
    EXPECT_TRUE(control<QCheckBox>(*page, "showStats")->isChecked());
}

TEST_F(ServersPage, TheEditorChangesTheSelectedServerThroughControlsNamedAfterItsFields)
{
    addServers(2);
    const auto page = makePage();
    page->tableviewNewsServers()->selectRow(1);
    const NNTPServerObjectPtr s = servers().arrayNNTPServers().at(1);
    s->setRequiresLogin(true);
    page->tableviewNewsServers()->selectRow(0);
    page->tableviewNewsServers()->selectRow(1);

    struct Case
    {
        const char* field;
        std::function<void(QWidget*)> edit;
        std::function<bool()> holds;
    };
    const auto type = [](const char* text) { return [text](QWidget* w) { typeInto(w, QString::fromUtf8(text)); }; };
    const auto click = [](QWidget* w) { static_cast<QAbstractButton*>(w)->click(); };
    const Case cases[] = {
        {"alias", type("Fast News"), [&] { return s->alias() == "Fast News"; }},
        // A space cannot be typed into an address: it would never connect.
        {"address", type("news .example.org"), [&] { return s->address() == "news.example.org"; }},
        {"port", type("8119"), [&] { return s->port() == 8119; }},
        {"username", type("ann"), [&] { return s->username() == "ann"; }},
        {"password", type("s3cret!"), [&] { return s->password() == "s3cret!"; }},
        {"maxConnections", type("12"), [&] { return s->maxConnections() == 12; }},
        {"enabled", click, [&] { return !s->enabled(); }},
        {"isbackupServerOnly", click, [&] { return s->isbackupServerOnly(); }},
        {"showStats", click, [&] { return s->showStats() == 0; }},
        {"requiresLogin", click, [&] { return !s->requiresLogin(); }},
    };
    for (const Case& c : cases) {
        QWidget* w = control<QWidget>(*page, c.field);
        ASSERT_NE(w, nullptr);
        c.edit(w);
        EXPECT_TRUE(c.holds()) << c.field;
    }
    // Without a login the login fields are not offered.
    EXPECT_FALSE(control<QLineEdit>(*page, "username")->isEnabled());
    // The other server kept its values.
    EXPECT_EQ(servers().arrayNNTPServers().at(0)->alias(), "S0");
    EXPECT_EQ(page->tableviewNewsServers()->serversModel()->data(
                  page->tableviewNewsServers()->serversModel()->index(1, NewsServersTableModel::ColumnAddress),
                  Qt::DisplayRole),
              "news.example.org");

    page->setSelectedServerColor(QColor(10, 20, 30));
    EXPECT_EQ(s->color(), QColor(10, 20, 30));
    EXPECT_NE(control<QPushButton>(*page, "color"), nullptr);
    for (const char* name : {"ssl"})
        EXPECT_NE(control<QCheckBox>(*page, name), nullptr);
}

TEST_F(ServersPage, TlsSetsTheStandardPortOverATypedOne)
{
    addServers(1);
    const auto page = makePage();
    const NNTPServerObjectPtr s = page->selectedServer();
    QSpinBox* port = control<QSpinBox>(*page, "port");
    QCheckBox* ssl = control<QCheckBox>(*page, "ssl");
    const struct
    {
        int typed;
        int expected;
        bool tls;
    } cases[] = {{8119, 563, true}, {4563, 119, false}, {443, 563, true}};
    for (const auto& c : cases) {
        typeInto(port, QString::number(c.typed));
        ASSERT_EQ(s->port(), c.typed);
        ssl->click();
        EXPECT_EQ(s->ssl(), c.tls);
        EXPECT_EQ(s->port(), c.expected) << c.typed;
        EXPECT_EQ(port->value(), c.expected);
    }
}

TEST_F(ServersPage, DraggedRowsLandAsOneBlockAboveTheDropRow)
{
    const struct
    {
        QList<int> dragged;
        int dropRow;
        QString order;
        int selected;
    } cases[] = {
        {{0, 2}, 5, "S1 S3 S4 S0 S2 S5", 4},
        {{4, 5}, 1, "S0 S4 S5 S1 S2 S3", 1},
        {{1, 4}, 3, "S0 S2 S1 S4 S3 S5", 2},
        {{5}, 6, "S0 S1 S2 S3 S4 S5", 5},
        {{0}, 0, "S0 S1 S2 S3 S4 S5", 0},
    };
    for (const auto& c : cases) {
        servers().mutableArrayNNTPServers().clear();
        addServers(6);
        const auto page = makePage();
        TableViewNewsServers* table = page->tableviewNewsServers();
        table->beginDrag(c.dragged);
        EXPECT_EQ(table->draggedObjects().size(), c.dragged.size());
        EXPECT_TRUE(table->acceptDrop(c.dropRow));
        table->endDrag();
        EXPECT_TRUE(table->draggedObjects().isEmpty());
        EXPECT_EQ(aliases().join(' '), c.order) << c.dropRow;
        EXPECT_EQ(table->selectedRow(), c.selected) << c.dropRow;
        for (int row = 0; row < 6; ++row)
            EXPECT_EQ(table->serversModel()->data(table->serversModel()->index(row, 0), Qt::DisplayRole).toString(),
                      aliases().at(row));
    }
}

TEST_F(ServersPage, CtrlUpAndDownMoveTheSelectedServer)
{
    addServers(3);
    const auto page = makePage();
    TableViewNewsServers* table = page->tableviewNewsServers();
    table->setFocus();
    const struct
    {
        int selected;
        Qt::Key key;
        QString order;
        int selectedAfter;
    } cases[] = {
        {2, Qt::Key_Up, "S0 S2 S1", 1},
        {1, Qt::Key_Up, "S2 S0 S1", 0},
        {0, Qt::Key_Up, "S2 S0 S1", 0}, // already at the top
        {0, Qt::Key_Down, "S0 S2 S1", 1},
        {2, Qt::Key_Down, "S0 S2 S1", 2}, // already at the bottom
    };
    for (const auto& c : cases) {
        table->selectRow(c.selected);
        QTest::keyClick(table, c.key, Qt::ControlModifier);
        EXPECT_EQ(aliases().join(' '), c.order) << c.selected << " " << c.key;
        EXPECT_EQ(table->selectedRow(), c.selectedAfter);
    }
}

TEST_F(ServersPage, DropsFromElsewhereAreRefused)
{
    addServers(3);
    const auto page = makePage();
    TableViewNewsServers* table = page->tableviewNewsServers();
    // Nothing dragged from this table: nothing to drop.
    EXPECT_FALSE(table->acceptDrop(1));

    QMimeData mime;
    mime.setData(QString::fromLatin1(TableViewNewsServers::kDragType), QByteArray("\0\0\0\1", 4));
    const QPoint inside = table->visualRect(table->serversModel()->index(1, 0)).center();
    QDragEnterEvent enter(inside, Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(table->viewport(), &enter);
    EXPECT_FALSE(enter.isAccepted()) << "a drag of another source";
    QDropEvent drop(QPointF(inside), Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(table->viewport(), &drop);
    EXPECT_FALSE(drop.isAccepted());
    EXPECT_EQ(aliases().join(' '), "S0 S1 S2");
}

TEST_F(ServersPage, RemovingAsksAndTakesTheServersWithTheirStatistics)
{
    const struct
    {
        QList<int> selected;
        long answer;
        QString left;
        int selectedAfter;
    } cases[] = {
        {{1}, DialogBoxes::kSecondButton, "S0 S1 S2", 1}, // No
        {{1}, DialogBoxes::kFirstButton, "S0 S2", 1},
        {{2}, DialogBoxes::kFirstButton, "S0 S1", 1}, // the last row: the new last
        {{0, 2}, DialogBoxes::kFirstButton, "S1", 0},
        {{0, 1, 2}, DialogBoxes::kFirstButton, "", -1},
    };
    for (const auto& c : cases) {
        servers().mutableArrayNNTPServers().clear();
        DBStatsUsage().clearDatabase();
        addServers(3);
        // S0 counts its uploads under its own id; S1 and S2 under a second
        // id of their own.
        const QList<NNTPServerObjectPtr> list = servers().arrayNNTPServers();
        list[0]->setUpServerID(list[0]->serverID());
        QStringList all;
        for (const NNTPServerObjectPtr& s : list)
            all << s->serverID() << s->upServerID();
        all.removeDuplicates();
        storeStatistics(all);
        for (const NNTPServerObjectPtr& s : list)
            NntpTlsConfiguration::trustCertificate(s->serverID(), TestCertificates::shared().serverCertificate());
        const auto page = makePage();
        TableViewNewsServers* table = page->tableviewNewsServers();
        table->clearSelection();
        table->selectionModel()->setCurrentIndex(table->serversModel()->index(c.selected.first(), 0),
                                                 QItemSelectionModel::NoUpdate);
        for (int row : c.selected)
            table->selectionModel()->select(table->serversModel()->index(row, 0),
                                            QItemSelectionModel::Select | QItemSelectionModel::Rows);
        const qsizetype asked = dialogs.asked().size();
        dialogs.script({c.answer});
        control<QPushButton>(*page, "removeNNTPServer")->click();
        ASSERT_EQ(dialogs.asked().size(), asked + 1);
        const DialogRequest question = dialogs.asked().last();
        // The question names the server the user last chose.
        EXPECT_EQ(question.title, QStringLiteral("Delete S%1 from the list?").arg(c.selected.first()));
        EXPECT_EQ(question.info, "This also removes the historical download data from the statistics.");
        EXPECT_EQ(question.activeButton, 1);
        EXPECT_EQ(aliases().join(' '), c.left);
        EXPECT_EQ(table->selectedRow(), c.selectedAfter);
        // What the question promised: the statistics of the removed servers,
        // under both their ids, are gone; the others' stay.
        QStringList kept;
        for (const NNTPServerObjectPtr& s : servers().arrayNNTPServers())
            kept << s->serverID() << s->upServerID();
        kept.removeDuplicates();
        kept.sort();
        EXPECT_EQ(statisticsServerIDs(), kept) << c.left.toStdString();
        // And a certificate trusted for a removed server is forgotten.
        for (const NNTPServerObjectPtr& s : list)
            EXPECT_EQ(NntpTlsConfiguration::isTrusted(s->serverID(), TestCertificates::shared().serverCertificate()),
                      servers().arrayNNTPServers().contains(s))
                << s->alias().toStdString();
    }
}

TEST_F(ServersPage, DeletingStatisticsAsksWithNoAsDefault)
{
    addServers(2);
    const QList<NNTPServerObjectPtr> list = servers().arrayNNTPServers();
    storeStatistics({list[0]->serverID(), list[0]->upServerID(), list[1]->serverID()});
    const auto page = makePage();
    page->tableviewNewsServers()->selectRow(0);
    dialogs.script({DialogBoxes::kSecondButton, DialogBoxes::kFirstButton});
    QPushButton* button = control<QPushButton>(*page, "resetStatisticsForNNTPServer");
    button->click();
    EXPECT_EQ(statisticsServerIDs().size(), 3);
    button->click();
    ASSERT_EQ(dialogs.asked().size(), 2);
    EXPECT_EQ(dialogs.asked().last().title, "Delete all historical data for S0?");
    EXPECT_EQ(dialogs.asked().last().info, "This data will no longer be available in the statistics.");
    EXPECT_EQ(dialogs.asked().last().activeButton, 2);
    EXPECT_EQ(statisticsServerIDs(), QStringList({list[1]->serverID()}));
    EXPECT_EQ(aliases().join(' '), "S0 S1");
}

TEST_F(ServersPage, TheUploadSheetCopiesTheDownloadSide)
{
    addServers(1);
    const NNTPServerObjectPtr s = servers().arrayNNTPServers().first();
    s->setAddress("news.example.org");
    s->setPort(563);
    s->setSsl(true);
    s->setRequiresLogin(true);
    s->setUsername("ann");
    s->setPassword("pw");
    s->setUploadIsDownloadServer(true);
    s->setUpAddress("old.example.org");
    s->setUpPort(119);
    const auto page = makePage();
    control<QPushButton>(*page, "openUploadSettingsWindow")->click();
    PrefsUploadSettingsWC* sheet = page->prefsUploadSettingsWC();
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
    EXPECT_EQ(sheet->headerTitleTextfield()->text(), "Upload server settings for S0");

    const auto expectCopied = [&](const char* when) {
        EXPECT_EQ(s->upAddress(), "news.example.org") << when;
        EXPECT_EQ(s->upPort(), 563) << when;
        EXPECT_TRUE(s->upSSL()) << when;
        EXPECT_TRUE(s->upRequiresLogin()) << when;
        EXPECT_EQ(s->upUsername(), "ann") << when;
        EXPECT_EQ(s->upPassword(), "pw") << when;
        EXPECT_EQ(control<QLineEdit>(*sheet, "upAddress")->text(), "news.example.org") << when;
        EXPECT_EQ(control<QSpinBox>(*sheet, "upPort")->value(), 563) << when;
        EXPECT_FALSE(control<QLineEdit>(*sheet, "upAddress")->isEnabled()) << when;
    };
    expectCopied("on opening");

    // A separate upload server: its own fields, and TLS sets its port.
    QCheckBox* same = control<QCheckBox>(*sheet, "uploadIsDownloadServer");
    same->click();
    EXPECT_FALSE(s->uploadIsDownloadServer());
    typeInto(control<QLineEdit>(*sheet, "upAddress"), "post.example.org");
    EXPECT_EQ(s->upAddress(), "post.example.org");
    control<QCheckBox>(*sheet, "upSSL")->click();
    EXPECT_EQ(s->upPort(), 119);
    EXPECT_FALSE(s->upSSL());
    EXPECT_EQ(s->address(), "news.example.org") << "the download side stays";

    same->click();
    expectCopied("on clicking the box again");
    control<QPushButton>(*sheet, "btnClose")->click();
    EXPECT_FALSE(sheet->isVisible());
}

TEST_F(ServersPage, ScreenshotOfTheUploadSheet)
{
    addServers(1);
    const NNTPServerObjectPtr s = servers().arrayNNTPServers().first();
    s->setAlias("Fast News");
    s->setAddress("news.fastnews.example");
    s->setUploadIsDownloadServer(false);
    s->setUpAddress("post.fastnews.example");
    s->setUpPort(563);
    s->setUpSSL(true);
    s->setUpUsername("ann.example");
    s->setUpPassword("password");
    QWidget window;
    window.resize(760, 460);
    auto* page = new PrefsServersVC(PrefsContext::fromEngine(engine), &window);
    page->resize(window.size());
    window.show();
    control<QPushButton>(*page, "openUploadSettingsWindow")->click();
    PrefsUploadSettingsWC* sheet = page->prefsUploadSettingsWC();
    ASSERT_NE(sheet, nullptr);
    spinEventLoop(50);
    EXPECT_GE(sheet->width(), sheet->minimumSizeHint().width());
    if (const QByteArray out = qgetenv("BINORAMA_SCREENSHOT"); !out.isEmpty()) {
        EXPECT_TRUE(sheet->grab().save(QString::fromLocal8Bit(out)));
    }
    sheet->closeWindow();
}
