// The compose window over a real engine: its checks and texts offscreen, and
// posts, replies and uploads made from it end to end against a scripted news
// server (and, for replies, the scripted search service).

#include "ui/posting/MsgViewerWC.h"
#include "ui/posting/PostWC.h"
#include "ui/posting/UploadConfirmWC.h"
#include "ui/prefs/PrefsWC.h"

#include "integration/EngineEndToEnd.h"

#include "controls/TVLTextField.h"
#include "nntp/DBNewsgroups.h"
#include "nntp/NNTPServersController.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "queue/QueueController.h"
#include "queue/Segment.h"
#include "queue/StatusCodes.h"
#include "search/DeepLookupSocket.h"
#include "support/DeepLookupReplyBuilder.h"
#include "support/EventLoop.h"
#include "support/LogFileReader.h"
#include "support/ModalDriver.h"
#include "support/Screenshot.h"
#include "support/ScriptedHttpServer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QImage>
#include <QSet>
#include <QUrl>

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(bytes);
}

QueuePtr replyJob(const QString& title, const QString& groups, const QString& mid = QStringLiteral("<orig@x>"))
{
    const QueuePtr job = Queue::create();
    job->setTitle(title);
    job->setQid(QStringLiteral("QID-7"));
    job->setGroups(groups);
    job->setPoster(QStringLiteral("Bob <bob@x>"));
    job->setTotalfiles(1);
    job->setBytes(500);
    job->setTotalSegments(1);
    const QueuePtr part = Queue::create();
    part->setIsFilepart(true);
    part->setQueue(job);
    part->setFilename(QStringLiteral("msg.txt"));
    if (!mid.isEmpty()) {
        const SegmentPtr s = Segment::create();
        s->setMid(mid);
        part->appendSegment(s);
    }
    job->setFileparts({part});
    return job;
}

class Compose : public EngineEndToEnd
{
protected:
    ScriptedNntpServer* news = nullptr;
    QString nzbFolder;
    QList<QPointer<PostWC>> windows;

    void SetUp() override
    {
        EngineEndToEnd::SetUp();
        nzbFolder = home.makeFolder(QStringLiteral("nzb"));
        UserDefaults& d = UserDefaults::standard();
        d.setObject(nzbFolder, QStringLiteral("uploadNZBExportPath"));
        d.setBool(false, QStringLiteral("showDialogDMCAWarning"));
        d.setString(QStringLiteral("Ann"), QStringLiteral("posterName"));
        d.setString(QStringLiteral("ann@example.invalid"), QStringLiteral("posterEmail"));
    }
    void TearDown() override
    {
        for (const QPointer<PostWC>& w : windows)
            delete w.data();
        EngineEndToEnd::TearDown();
    }
    void withServer() { news = &addServer(QStringLiteral("Main"), 2); }

    PostWC* open(const QueuePtr& reply = {})
    {
        auto* w = new PostWC(PrefsContext::fromEngine(*engine), reply);
        windows.append(w);
        w->showWindow();
        return w;
    }
    // A filled form posting to `groups` checked newsgroups.
    PostWC* filled(const QString& body, int groups = 1)
    {
        PostWC* w = open();
        w->titleTextField()->setStringValue(QStringLiteral("Hello"));
        QList<NewsgroupSelectorItem> items;
        for (int i = 0; i < groups; ++i)
            items.append({QStringLiteral("alt.test.%1").arg(i), 0, true});
        w->addNewSelectedNewsgroupsFromArray(items);
        w->textView()->setPlainText(body);
        return w;
    }
    // Submits and answers the confirmation with `confirm`.
    UploadConfirmWC* submit(PostWC* w, bool confirm, QString* heading = nullptr, QString* nzb = nullptr)
    {
        whenShown<UploadConfirmWC>([=](UploadConfirmWC* c) {
            if (heading) *heading = c->textFieldNewsgroups()->text();
            if (nzb) *nzb = c->textFieldNZBExportPath()->isEnabled() ? c->textFieldNZBExportPath()->text()
                                                                       : QStringLiteral("disabled:") +
                                                                             c->textFieldNZBExportPath()->text();
            if (confirm)
                c->confirmButton()->click();
            else
                c->close();
        });
        w->submitButton()->click();
        return nullptr;
    }
};

// ---- checks

TEST_F(Compose, ChecksRunInOrderWithTheirTexts)
{
    withServer();
    const QString missingFolder = QDir(home.path()).filePath("nowhere");
    struct Case
    {
        const char* what;
        std::function<void(PostWC*)> setUp;
        QList<long> answers;
        QStringList titles;
        bool passes;
        const char* infoContains;
    };
    const Case cases[] = {
        {"all filled", [](PostWC*) {}, {}, {}, true, ""},
        {"required fields, in order",
         [](PostWC* w) {
             w->titleTextField()->setStringValue(QString());
             w->checkAllNewsgroups(false);
             w->posterNameTextField()->setStringValue(QStringLiteral("<@>"));
             w->posterEmailTextField()->setStringValue(QStringLiteral(" "));
         },
         {},
         {"Some required fields are empty."},
         false,
         "- Subject is required\n- No newsgroups selected\n- 'From Name' field is cannot be empty\n"
         "- 'From Email' field is cannot be empty\n"},
        {"one byte over the limit: no required-field lines",
         [](PostWC* w) {
             w->titleTextField()->setStringValue(QString());
             UserDefaults::standard().setDouble(200 + 3 - 1, QStringLiteral("yencMaxArticleSize"));
             w->textView()->setPlainText(QStringLiteral("\u20ac"));
         },
         {},
         {"Text message is too large."},
         false,
         "Your text messsage is 203 bytes and would exceed the maximum allowed size of 202 bytes."},
        {"exactly the limit passes",
         [](PostWC* w) {
             UserDefaults::standard().setDouble(200 + 3 + 2 * 5, QStringLiteral("yencMaxArticleSize"));
             w->textView()->setPlainText(QStringLiteral("\u20ac"));
         },
         {},
         {},
         true,
         ""},
        {"four groups are silent", [](PostWC* w) { w->addNewSelectedNewsgroupsFromArray({{"b.1", 0, true}, {"b.2", 0, true}, {"b.3", 0, true}}); },
         {}, {}, true, ""},
        {"five groups warn and go on",
         [](PostWC* w) {
             w->addNewSelectedNewsgroupsFromArray({{"b.1", 0, true}, {"b.2", 0, true}, {"b.3", 0, true}, {"b.4", 0, true}});
         },
         {1000},
         {"More than 4 newsgroups selected"},
         true,
         "Most clients will consider your post as spam"},
        {"a missing NZB folder stops an upload that makes one",
         [missingFolder, this](PostWC* w) {
             UserDefaults::standard().setObject(missingFolder, QStringLiteral("uploadNZBExportPath"));
             const QString f = QDir(home.path()).filePath("up/a.bin");
             writeFile(f, "x");
             w->addFilesFromArray({f});
         },
         {1001},
         {"NZB Export folder does not exists"},
         false,
         "Please configure an existing folder to save the NZB file."},
        {"without an NZB the folder is not asked for",
         [missingFolder, this](PostWC* w) {
             UserDefaults::standard().setObject(missingFolder, QStringLiteral("uploadNZBExportPath"));
             const QString f = QDir(home.path()).filePath("up/a.bin");
             writeFile(f, "x");
             w->addFilesFromArray({f});
             w->makeNZBCheckbox()->setChecked(false);
         },
         {},
         {},
         true,
         ""},
        {"text without a UTF-8 form, answered No",
         [](PostWC* w) { w->textView()->setPlainText(QString(QChar(0xD800)) + QStringLiteral("x")); },
         {1001},
         {"Invalid UTF8 characters detected."},
         false,
         "might be cancelled by your news server"},
    };
    for (const Case& c : cases) {
        UserDefaults::standard().setDouble(384000, QStringLiteral("yencMaxArticleSize"));
        UserDefaults::standard().setObject(nzbFolder, QStringLiteral("uploadNZBExportPath"));
        UserDefaults::standard().setBool(true, QStringLiteral("showDialogOver3Newsgroups"));
        PostWC* w = filled(QStringLiteral("body"));
        c.setUp(w);
        const qsizetype before = dialogs.asked().size();
        dialogs.script(c.answers);
        EXPECT_EQ(w->checkValues(), c.passes) << c.what;
        QStringList titles;
        QString info;
        for (qsizetype i = before; i < dialogs.asked().size(); ++i) {
            titles.append(dialogs.asked()[i].title);
            info += dialogs.asked()[i].info;
        }
        EXPECT_EQ(titles, c.titles) << c.what;
        EXPECT_TRUE(info.contains(QString::fromUtf8(c.infoContains))) << c.what << ": " << info.toStdString();
        delete w;
    }
    // "Don't show again" on the cross-posting warning switches it off for
    // good.
    PostWC* five = filled(QStringLiteral("body"), 5);
    dialogs.script({1001});
    const qsizetype before = dialogs.asked().size();
    EXPECT_TRUE(five->checkValues());
    EXPECT_FALSE(UserDefaults::standard().boolForKey(QStringLiteral("showDialogOver3Newsgroups")));
    EXPECT_TRUE(five->checkValues());
    EXPECT_EQ(dialogs.asked().size(), before + 1);
}

TEST_F(Compose, PosterFieldsAreCleanedShownAndKept)
{
    withServer();
    PostWC* w = filled(QStringLiteral("x"));
    w->posterNameTextField()->setStringValue(QStringLiteral("J\u00fcrgen (M) <x@y>"));
    w->posterEmailTextField()->setStringValue(QStringLiteral(" <J\u00fcrgen@Example.ORG> "));
    EXPECT_TRUE(w->checkValues());
    EXPECT_EQ(w->posterNameTextField()->stringValue(), "Jurgen M xy");
    EXPECT_EQ(w->posterEmailTextField()->stringValue(), "jurgen@example.org");
    EXPECT_EQ(UserDefaults::standard().stringForKey(QStringLiteral("posterName")), "Jurgen M xy");
    EXPECT_EQ(UserDefaults::standard().stringForKey(QStringLiteral("posterEmail")), "jurgen@example.org");
}

TEST_F(Compose, WithoutAPostingServerTheQuestionComesAndCancelStopsSubmitting)
{
    dialogs.script({1001});
    PostWC* w = open();
    ASSERT_EQ(dialogs.askedTitles(), QStringList({"No news servers configured for uploading/posting'"}));
    EXPECT_FALSE(w->submitButton()->isEnabled());
    EXPECT_FALSE(w->newsserverPopupBox()->isEnabled());
    EXPECT_FALSE(w->addGroupsButton()->isEnabled());
    // A submit anyway (Return key, say) is refused with the server question.
    w->titleTextField()->setStringValue(QStringLiteral("t"));
    w->addNewSelectedNewsgroupsFromArray({{"a.b", 0, true}});
    EXPECT_FALSE(w->checkValues());
    EXPECT_EQ(dialogs.askedTitles().last(), "No news servers configured for posting");
}

TEST_F(Compose, OpenPreferencesShowsTheServersPageThenTheListIsReadAgain)
{
    int pagesShown = 0;
    int pageTag = 0;
    whenShown<PrefsWC>([&](PrefsWC* prefs) {
        ++pagesShown;
        pageTag = prefs->currentVCTag();
        prefs->close();
    });
    dialogs.script({1000, 1001});
    PostWC* w = open();
    EXPECT_EQ(pagesShown, 1);
    EXPECT_EQ(pageTag, 1);
    // The servers page starts a new entry in an empty list; the pop-up is
    // built from the list as the window left it, and asks again only while
    // no server may post.
    const QStringList ids = engine->nntpServersController()->getUploadServerIDs();
    EXPECT_EQ(w->newsserverPopupBox()->count(), ids.size());
    EXPECT_EQ(dialogs.askedTitles().size(), ids.isEmpty() ? 2 : 1);
    EXPECT_EQ(w->submitButton()->isEnabled(), !ids.isEmpty());
}

TEST_F(Compose, TheCopyrightNoticeComesUntilTurnedOff)
{
    withServer();
    UserDefaults::standard().setBool(true, QStringLiteral("showDialogDMCAWarning"));
    dialogs.script({1000, 1001});
    open();
    open();
    open();
    EXPECT_EQ(dialogs.askedTitles(), QStringList({"About copyrighted material", "About copyrighted material"}));
    EXPECT_TRUE(dialogs.asked()[0].info.contains("do not use Binorama to post copyrighted material"));
    EXPECT_FALSE(UserDefaults::standard().boolForKey(QStringLiteral("showDialogDMCAWarning")));
}

TEST_F(Compose, FilesChosenInThePanelAreAddedAndTheFolderRemembered)
{
    withServer();
    const QString dir = home.makeFolder(QStringLiteral("pick"));
    writeFile(dir + "/one.bin", QByteArray(10, 'a'));
    writeFile(dir + "/two.bin", QByteArray(20, 'b'));
    PostWC* w = open();
    bool shown = false;
    whenShown<QFileDialog>([&](QFileDialog* panel) {
        shown = true;
        EXPECT_EQ(panel->windowTitle(), "Choose files to upload");
        EXPECT_EQ(panel->fileMode(), QFileDialog::ExistingFiles);
        EXPECT_EQ(panel->labelText(QFileDialog::Accept), "Add");
        panel->setDirectory(dir);
        // The panel's own selection follows its folder listing, which runs on
        // a thread of its own and may come after a typed selection: the choice
        // is handed over as the panel reports it.
        Q_EMIT panel->filesSelected({dir + "/one.bin", dir + "/two.bin"});
        panel->close();
    });
    w->showAddFilesPanel();
    ASSERT_TRUE(waitUntil([&] { return w->fileList().rows().size() == 2; })) << shown;
    EXPECT_EQ(w->totalBytesAndFilesTextField()->text(), "2 files / 30 B");
    EXPECT_EQ(QDir(UserDefaults::standard().stringForKey(QStringLiteral("lastUsedFilesUploadPanelFolder"))),
              QDir(dir));
}

TEST_F(Compose, ServerPopUpKeepsTheLastUsedServer)
{
    withServer();
    ScriptedNntpServer& second = addServer(QStringLiteral("Second"), 1);
    (void)second;
    PostWC* w = open();
    ASSERT_EQ(w->newsserverPopupBox()->count(), 2);
    EXPECT_EQ(w->newsserverPopupBox()->currentIndex(), 0);
    w->newsserverPopupBox()->setCurrentIndex(1);
    w->selectedNewsserverChangedByUser();
    const QString id = w->newsserverPopupBox()->currentData().toString();
    EXPECT_EQ(UserDefaults::standard().stringForKey(QStringLiteral("uploadLastUsedServerID")), id);
    EXPECT_EQ(LogFileReader(home.logFilePath()).linesContaining("Upload server changed to: Second").size(), 1);
    PostWC* again = open();
    EXPECT_EQ(again->newsserverPopupBox()->currentText(), "Second");
}

// ---- newsgroups

TEST_F(Compose, NewsgroupsAddedKeepExistingRowsAndFavouritesAreStored)
{
    withServer();
    ASSERT_TRUE(DBNewsgroups().saveFavs({{"c.d", 0, false}}));
    PostWC* w = open();
    ASSERT_EQ(w->arrayNewsgroups().size(), 1);
    w->addNewsgroup({{"a.b", 0, true}, {"c.d", 0, true}});
    const QList<NewsgroupSelectorItem> rows = w->arrayNewsgroups();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].newsgroup, "a.b");
    EXPECT_TRUE(rows[0].checkbox);
    EXPECT_EQ(rows[1].newsgroup, "c.d");
    EXPECT_FALSE(rows[1].checkbox);
    EXPECT_EQ(w->numberOfNewsgroupsToPost(), 1);

    // Right-clicking an unselected row acts on that row alone.
    w->tableViewNewsgroups()->selectRow(0);
    w->setClickedNewsgroupRow(1);
    EXPECT_EQ(w->getSelectedNewsgroupIndexSet(), QList<int>({1}));
    w->checkSelectedNewsgroups(true);
    EXPECT_EQ(w->numberOfNewsgroupsToPost(), 2);
    w->setClickedNewsgroupRow(-1);
    w->closeWindow();
    spinEventLoop(20);
    EXPECT_EQ(DBNewsgroups().loadFavs().size(), 2);

    // An emptied list leaves the favourites as they were.
    PostWC* empty = open();
    empty->tableViewNewsgroups()->selectAll();
    empty->removeSelectedNewsgroups();
    EXPECT_TRUE(empty->arrayNewsgroups().isEmpty());
    empty->closeWindow();
    spinEventLoop(20);
    EXPECT_EQ(DBNewsgroups().loadFavs().size(), 2);
}

TEST_F(Compose, AReplyTakesSubjectAndGroupsOfTheArticleAndLocksTheGroups)
{
    withServer();
    const struct
    {
        const char* title;
        const char* subject;
    } subjects[] = {{"hello", "Re: hello"}, {"RE: hello", "RE: hello"}, {"hi", "hi"}};
    for (const auto& c : subjects) {
        PostWC* w = open(replyJob(QString::fromUtf8(c.title), QStringLiteral("a.b, c.d")));
        EXPECT_EQ(w->titleTextField()->stringValue(), QString::fromUtf8(c.subject));
    }
    const QueuePtr article = replyJob(QStringLiteral("hello"), QStringLiteral("a.b, c.d"));
    PostWC* w = open(article);
    ASSERT_EQ(w->arrayNewsgroups().size(), 2);
    EXPECT_EQ(w->arrayNewsgroups()[1].newsgroup, " c.d");
    EXPECT_EQ(w->numberOfNewsgroupsToPost(), 2);
    EXPECT_EQ(w->msgid(), "<orig@x>");
    EXPECT_FALSE(w->addGroupsButton()->isEnabled());
    w->tableViewNewsgroups()->selectRow(0);
    EXPECT_FALSE(w->removeGroupsButton()->isEnabled());
    w->menuWillOpen(w->menuNewsgroups());
    for (QAction* a : w->menuNewsgroups()->actions())
        if (!a->isSeparator()) {
            EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
        }
    EXPECT_TRUE(w->quoteOriginalMsgButton()->isVisibleTo(w));
}

// ---- files

TEST_F(Compose, ADroppedFolderIsOneRowOfItsFiles)
{
    withServer();
    const QString set = home.makeFolder(QStringLiteral("drop/set"));
    writeFile(set + "/a.bin", QByteArray(1000, 'a'));
    writeFile(set + "/b.bin", QByteArray(2000, 'b'));
    writeFile(set + "/sub/c.bin", QByteArray(3000, 'c'));
    writeFile(set + "/.hidden", QByteArray(4000, 'h'));
    PostWC* w = open();
    EXPECT_EQ(w->totalBytesAndFilesTextField()->text(), "0 files / 0 B");
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(set)});
    EXPECT_TRUE(mime.hasFormat(QStringLiteral("text/uri-list")));
    // A drop reaches the window that took the drag's entry.
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &enter);
    EXPECT_TRUE(enter.isAccepted());
    EXPECT_EQ(enter.dropAction(), Qt::CopyAction);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(w->tableViewFiles()->model()->rowCount(), 1);
    EXPECT_EQ(w->fileList().absoluteFileUrls().size(), 4);
    EXPECT_EQ(w->totalBytesAndFilesTextField()->text(), "4 files / 10.00 KB");
    EXPECT_EQ(LogFileReader(home.logFilePath())
                  .linesContaining("Adding 1 files for uploading from drag&drop operation.")
                  .size(),
              1);
    w->tableViewFiles()->selectRow(0);
    EXPECT_TRUE(w->removeFilesButton()->isEnabled());
    w->removeFilesButton()->click();
    EXPECT_TRUE(w->fileList().absoluteFileUrls().isEmpty());
    EXPECT_EQ(w->totalBytesAndFilesTextField()->text(), "0 files / 0 B");
    EXPECT_FALSE(w->removeFilesButton()->isEnabled());
}

// ---- confirmation

TEST_F(Compose, ConfirmationShowsWhatGoesWhereAndDecliningKeepsTheForm)
{
    withServer();
    QString heading, nzb;
    PostWC* one = filled(QStringLiteral("text"), 1);
    submit(one, false, &heading, &nzb);
    EXPECT_EQ(heading, "Posting to 1 newsgroup:");
    EXPECT_EQ(nzb, "disabled:-");
    EXPECT_TRUE(one->isVisible()) << "a declined post leaves the window open";
    EXPECT_EQ(one->textView()->toPlainText(), "text");

    PostWC* three = filled(QStringLiteral("text"), 3);
    const QString f = QDir(home.path()).filePath("up/a.bin");
    writeFile(f, "x");
    three->addFilesFromArray({f});
    submit(three, false, &heading, &nzb);
    EXPECT_EQ(heading, "Cross-posting to 3 newsgroups:");
    EXPECT_EQ(nzb, QDir(nzbFolder).filePath("Hello.nzb"));
    EXPECT_TRUE(engine->queueController()->queueArray().isEmpty());

    // Quitting while it is up answers 0 as well.
    UploadConfirmWC confirm;
    confirm.setQueue(Queue::create());
    QTimer::singleShot(50, [] { NotificationHub::defaultCenter().post("ApplicationWillTerminate", nullptr); });
    EXPECT_EQ(confirm.exec(), 0);
    UploadConfirmWC empty;
    EXPECT_EQ(empty.exec(), 0) << "nothing to confirm";
}

// ---- end to end

TEST_F(Compose, ATextPostArrivesByteExact)
{
    withServer();
    UserDefaults::standard().setBool(true, QStringLiteral("enableUserSignature"));
    UserDefaults::standard().setString(QStringLiteral("-- \nAnn"), QStringLiteral("userSignature"));
    PostWC* w = filled(QStringLiteral(".\n..x\n\u00e9\n\u20ac"));
    QPointer<PostWC> guard(w);
    submit(w, true);
    ASSERT_TRUE(waitUntil([&] { return news->postedArticles().size() == 1; }, 20000));
    EXPECT_TRUE(waitUntil([&] { return guard.isNull() || !guard->isVisible(); }));
    const QByteArray bytes = news->postedArticles().first().bytes;
    EXPECT_TRUE(bytes.startsWith("From: ann@example.invalid (Ann)\r\nNewsgroups: alt.test.0\r\nSubject: Hello\r\n"))
        << bytes.toStdString();
    EXPECT_TRUE(bytes.contains("Content-Type: text/plain; charset=UTF-8\r\n"));
    EXPECT_FALSE(bytes.contains("References:"));
    // Dot-stuffed on the wire, one final line end, then the end line.
    EXPECT_TRUE(bytes.endsWith("\r\n\r\n..\r\n...x\r\n\xc3\xa9\r\n\xe2\x82\xac\r\n\r\n-- \r\nAnn\r\n.\r\n"))
        << bytes.toStdString();
}

TEST_F(Compose, ChosenFilesAreConfirmedPostedAndLeaveTheirNzb)
{
    withServer();
    UserDefaults::standard().setDouble(1000, QStringLiteral("yencMaxArticleSize"));
    const QString dir = home.makeFolder(QStringLiteral("up"));
    writeFile(dir + "/x.par2", QByteArray(300, 'p'));
    writeFile(dir + "/a.rar", QByteArray(2500, 'a'));
    PostWC* w = filled(QString());
    w->addFilesFromArray({dir + "/a.rar", dir + "/x.par2"});
    submit(w, true);
    ASSERT_TRUE(waitUntil([&] { return news->postedArticles().size() == 4; }, 30000))
        << news->postedArticles().size();
    const QString nzb = QDir(nzbFolder).filePath("Hello.nzb");
    ASSERT_TRUE(waitUntil([&] { return QFileInfo::exists(nzb); }, 20000));
    const QByteArray xml = fileBytes(nzb);
    // The main recovery file goes first.
    EXPECT_LT(xml.indexOf("x.par2"), xml.indexOf("a.rar")) << xml.toStdString();
    EXPECT_EQ(xml.count("<segment "), 4);
    // Only the file job: no text article with an empty body.
    for (const NntpPostedArticle& a : news->postedArticles())
        EXPECT_TRUE(a.bytes.startsWith("Message-ID: <")) << a.bytes.left(200).toStdString();
}

class ComposeReply : public Compose
{
protected:
    ScriptedHttpServer service;
    void SetUp() override
    {
        Compose::SetUp();
        ASSERT_TRUE(service.start());
        ASSERT_TRUE(DeepLookupSocket::setServiceURLForTesting(service.baseUrl()));
    }
    void TearDown() override
    {
        Compose::TearDown();
        DeepLookupSocket::setServiceURLForTesting(QUrl());
    }

    // A search result of one text article, served by the service (its file
    // and article lists) and the news server (its body).
    QueuePtr article(const QByteArray& text)
    {
        const PostedFile f = post(QStringLiteral("msg.txt"), text, 100000);
        serve(*news, f);
        DeepLookupFileRecord r;
        r.fid = "FID-msg";
        r.title = "hello - \"msg.txt\" yEnc (1/1)";
        r.expected = r.available = "1";
        r.bytes = QByteArray::number(text.size());
        service.route("POST", DeepLookupSocket::kChildFilesPath.toLatin1(),
                      HttpReply::text(HttpReply::tabLines({{"INFO", "1 files"}, r.fields()})));
        service.route("POST", DeepLookupSocket::kMidsPath.toLatin1(),
                      HttpReply::text(HttpReply::tabLines(
                          {{"INFO", "ok"}, DeepLookupReplyBuilder::data("FID-msg", f.mids[0], f.bodies[0].size(), 1, 1)})));
        mid = f.mids[0];
        const QueuePtr job = Queue::create();
        job->setQid(QStringLiteral("QID-77"));
        job->setFid(QStringLiteral("FID-root"));
        job->setTitle(QStringLiteral("hello"));
        job->setPoster(QStringLiteral("Bob <bob@x>"));
        job->setGroups(QStringLiteral("alt.test"));
        job->setTotalfiles(1);
        job->setTotalSegments(1);
        job->setBytes(double(text.size()));
        return job;
    }
    QByteArray mid;
};

TEST_F(ComposeReply, AReplyFetchesItsMessageIdAndBodyQuotesAndPostsWithReferences)
{
    withServer();
    const QueuePtr original = article("First line\n\n\n\nSecond line\n");
    PostWC* w = open(original);
    ASSERT_TRUE(w->headerRequest());
    EXPECT_FALSE(w->submitButton()->isEnabled()) << "waiting for the Message-ID";
    EXPECT_TRUE(w->progressIndicator()->isVisibleTo(w));

    // Another window's answer for the same article does not end this wait.
    const QueuePtr stranger = Queue::create();
    stranger->setQid(original->qid());
    NotificationHub::defaultCenter().post("MSGIDDownloadedForReplyPost", nullptr,
                                          {{"queueobject", QVariant::fromValue(stranger)}});
    EXPECT_FALSE(w->submitButton()->isEnabled());

    ASSERT_TRUE(waitUntil([&] { return !w->msgid().isEmpty(); }, 30000));
    EXPECT_EQ(w->msgid(), "<" + QString::fromLatin1(mid) + ">");
    EXPECT_TRUE(w->submitButton()->isEnabled());
    EXPECT_FALSE(w->progressIndicator()->isVisibleTo(w));

    w->quoteOriginalMsgButton()->click();
    ASSERT_TRUE(w->bodyRequest());
    ASSERT_TRUE(waitUntil([&] { return w->textView()->toPlainText().contains("> Second line"); }, 30000))
        << w->textView()->toPlainText().toStdString();
    EXPECT_TRUE(w->textView()->toPlainText().endsWith("wrote:\n\n> First line\n> \n> Second line\n\n"))
        << w->textView()->toPlainText().toStdString();
    EXPECT_TRUE(w->textView()->toPlainText().contains(", \"Bob\" wrote:"));
    EXPECT_TRUE(w->submitButton()->isEnabled());

    w->textView()->appendPlainText(QStringLiteral("My answer"));
    submit(w, true);
    ASSERT_TRUE(waitUntil([&] { return news->postedArticles().size() == 1; }, 20000));
    const QByteArray bytes = news->postedArticles().first().bytes;
    EXPECT_TRUE(bytes.contains("Subject: Re: hello\r\n"));
    EXPECT_TRUE(bytes.contains("References: <" + mid + ">\r\n")) << bytes.toStdString();
    EXPECT_TRUE(bytes.contains("> First line\r\n> \r\n> Second line\r\n")) << bytes.toStdString();
}

TEST_F(Compose, QuotingAskForTheBodyOnlyUpToTheLimit)
{
    withServer();
    for (const auto& [bytes, fetched] : {std::pair{2000.0, true}, {2001.0, false}}) {
        const QueuePtr job = replyJob(QStringLiteral("hello"), QStringLiteral("a.b"));
        job->setBytes(bytes);
        const qsizetype before = dialogs.asked().size();
        PostWC* w = open(job);
        w->getOriginalMsg();
        EXPECT_EQ(bool(w->bodyRequest()), fetched) << bytes;
        if (fetched) {
            EXPECT_EQ(w->bodyRequest()->qid(), "QID-7");
            EXPECT_TRUE(w->bodyRequest()->isReplyPost());
            EXPECT_FALSE(w->bodyRequest()->isHeaderRequest());
            // The engine's failure report ends the wait; the body stays.
            NotificationHub::defaultCenter().post("BodyDownloadedErrorForReplyPost", nullptr);
            EXPECT_TRUE(w->submitButton()->isEnabled());
        } else {
            ASSERT_EQ(dialogs.asked().size(), before + 1);
            EXPECT_EQ(dialogs.asked().last().title, "Original post is too big to quote");
            EXPECT_EQ(dialogs.asked().last().info,
                      "The original message is 2.00 KB and exceeds the maximum size to quote.");
        }
    }
    // An article already on disk is quoted from there, whatever its size.
    const QueuePtr job = replyJob(QStringLiteral("hello"), QStringLiteral("a.b"));
    job->setBytes(1e9);
    job->setDownloadUrl(home.makeFolder(QStringLiteral("done")));
    writeFile(job->downloadUrl() + "/msg.txt", "on disk\n");
    PostWC* w = open(job);
    w->textView()->setPlainText(QStringLiteral("typed"));
    w->getOriginalMsg();
    EXPECT_TRUE(w->textView()->toPlainText().endsWith("wrote:\n\n> on disk\n\n"));
    EXPECT_FALSE(w->bodyRequest());
}

// ---- viewer

TEST_F(Compose, TheViewerShowsTheArticleAndAsksForAReply)
{
    const QString dir = home.makeFolder(QStringLiteral("job/comments"));
    writeFile(dir + "/utf8.txt", "caf\xc3\xa9 \xe2\x82\xac");
    writeFile(dir + "/latin1.txt", "caf\xe9");
    const QueuePtr job = Queue::create();
    job->setPoster(QStringLiteral("Bob <bob@x>"));
    const QueuePtr part = Queue::create();
    part->setIsFilepart(true);
    part->setQueue(job);
    part->setTitle(QStringLiteral("A subject"));
    const struct
    {
        const char* file;
        QueuePtr part;
        const char* body;
    } cases[] = {{"utf8.txt", part, "caf\u00e9 \u20ac"}, {"latin1.txt", part, "caf\u00e9"}, {"missing.txt", nullptr, ""}};
    for (const auto& c : cases) {
        MsgViewerWC viewer(dir + "/" + c.file, c.part);
        EXPECT_EQ(viewer.textView()->toPlainText(), QString::fromUtf8(c.body)) << c.file;
        EXPECT_EQ(viewer.textFieldFrom()->text(), c.part ? "Bob <bob@x>" : "");
        EXPECT_EQ(viewer.windowTitle(), c.part ? "A subject" : "");
    }

    QObject observer;
    QList<QVariantMap> asked;
    NotificationHub::defaultCenter().addObserver("OpenPostArticleWindow", &observer,
                                                 [&](const Notification& n) { asked.append(n.userInfo); });
    MsgViewerWC withJob(dir + "/utf8.txt", part);
    withJob.replyButton()->click();
    MsgViewerWC orphan(dir + "/utf8.txt", Queue::create());
    orphan.replyButton()->click();
    ASSERT_EQ(asked.size(), 2);
    EXPECT_EQ(asked[0].value("queue").value<QueuePtr>(), job);
    EXPECT_TRUE(asked[1].isEmpty());

    // Quitting with two viewers open closes each once.
    auto* one = new MsgViewerWC(dir + "/utf8.txt", part);
    auto* two = new MsgViewerWC(dir + "/utf8.txt", part);
    one->setAttribute(Qt::WA_DeleteOnClose, false);
    two->setAttribute(Qt::WA_DeleteOnClose, false);
    one->showWindow();
    two->showWindow();
    NotificationHub::defaultCenter().post("ApplicationWillTerminate", nullptr);
    one->closeWindow();
    EXPECT_EQ(one->closeCount(), 1);
    EXPECT_EQ(two->closeCount(), 1);
    EXPECT_FALSE(one->isVisible());
    delete one;
    delete two;
}

// Grabs `w` and, with BINORAMA_SCREENSHOT_DIR set, saves it as <name>.png.
// Every shot must show more than a background.
void shoot(QWidget* w, const QString& name)
{
    spinEventLoop(50);
    const QImage shot = w->grab().toImage();
    QSet<QRgb> colours;
    for (int y = 0; y < shot.height(); y += 5)
        for (int x = 0; x < shot.width(); x += 5)
            colours.insert(shot.pixel(x, y));
    EXPECT_GT(colours.size(), 8) << name.toStdString() << " looks empty";
    saveScreenshot(shot, qPrintable(name + QStringLiteral(".png")));
}

TEST_F(Compose, Screenshots)
{
    withServer();
    const QString set = home.makeFolder(QStringLiteral("Holiday Photos"));
    writeFile(set + "/IMG_0001.jpg", QByteArray(2400000, 'a'));
    writeFile(set + "/IMG_0002.jpg", QByteArray(3100000, 'b'));
    writeFile(set + "/raw/IMG_0001.cr2", QByteArray(9000000, 'c'));
    const QString single = QDir(home.makeFolder(QStringLiteral("single"))).filePath("holiday.par2");
    writeFile(single, QByteArray(40000, 'p'));
    PostWC* w = open();
    w->resize(960, 640);
    w->titleTextField()->setStringValue(QStringLiteral("Holiday photos 2026"));
    w->addNewsgroup({{"alt.binaries.pictures", 0, true}, {"alt.binaries.test", 0, true}, {"alt.test", 0, false}});
    w->textView()->setPlainText(QStringLiteral("Some pictures of this summer's trip.\n\nEnjoy!"));
    w->addFilesFromArray({set, single});
    shoot(w, QStringLiteral("compose-window"));

    QString heading;
    whenShown<UploadConfirmWC>([&](UploadConfirmWC* c) {
        heading = c->textFieldNewsgroups()->text();
        shoot(c, QStringLiteral("upload-confirmation"));
        c->close();
    });
    w->submitButton()->click();
    EXPECT_EQ(heading, "Cross-posting to 2 newsgroups:");

    const QString comments = home.makeFolder(QStringLiteral("job/comments"));
    writeFile(comments + "/info.txt", "Hello everyone,\n\nthe photos were taken in Brittany, \xc3\xa9t\xc3\xa9 2026.\n"
                                      "Par2 files are included.\n\n-- \nBob\n");
    const QueuePtr job = Queue::create();
    job->setPoster(QStringLiteral("Bob <bob@example.invalid>"));
    const QueuePtr part = Queue::create();
    part->setIsFilepart(true);
    part->setQueue(job);
    part->setTitle(QStringLiteral("Holiday photos 2026 - info.txt"));
    MsgViewerWC viewer(comments + "/info.txt", part);
    viewer.setAttribute(Qt::WA_DeleteOnClose, false);
    viewer.showWindow();
    shoot(&viewer, QStringLiteral("article-viewer"));
}

} // namespace
