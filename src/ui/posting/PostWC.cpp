#include "ui/posting/PostWC.h"

#include "controls/TVLTextField.h"
#include "controls/TableRowViewDefault.h"
#include "core/DialogBoxes.h"
#include "core/FileUtils.h"
#include "core/Logger.h"
#include "core/StringFormat.h"
#include "core/Utils.h"
#include "nntp/DBNewsgroups.h"
#include "nntp/NNTPServerObject.h"
#include "nntp/NNTPServersController.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "posting/PostJobBuilder.h"
#include "posting/ReplyQuote.h"
#include "queue/QueueController.h"
#include "queue/StatusCodes.h"
#include "ui/core/WindowPlacement.h"
#include "ui/nntp/NewsgroupSelectorWC.h"
#include "ui/nntp/NewsgroupTableModel.h"
#include "ui/nntp/RefreshGroupsWC.h"
#include "ui/posting/UploadConfirmWC.h"
#include "ui/posting/UploadFilesTableModel.h"
#include "ui/prefs/PrefsWC.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSet>
#include <QSplitter>
#include <QTableView>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace {

UserDefaults& defaults()
{
    return UserDefaults::standard();
}

QTableView* makeTable(QWidget* parent, const char* name)
{
    auto* table = new QTableView(parent);
    table->setObjectName(QLatin1String(name));
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table->setItemDelegate(new TableRowViewDefault(table));
    table->setContextMenuPolicy(Qt::CustomContextMenu);
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(22);
    table->setShowGrid(false);
    table->setAlternatingRowColors(true);
    return table;
}

QPushButton* smallButton(const QString& text, const QString& tip, QWidget* parent, const char* name)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setToolTip(tip);
    b->setFixedWidth(30);
    return b;
}

} // namespace

PostWC::PostWC(const PrefsContext& context, const QueuePtr& replyObject, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , context_(context)
    , replyObject_(replyObject)
{
    setObjectName(QStringLiteral("PostWC"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(replyObject ? QStringLiteral("Reply") : QStringLiteral("New Post"));
    buildInterface();
    buildMenus();

    NotificationHub& hub = NotificationHub::defaultCenter();
    hub.addObserver(QStringLiteral("ApplicationWillTerminate"), this, [this](const Notification&) { closeWindow(); });
    hub.addObserver(QStringLiteral("MSGIDDownloadedForReplyPost"), this, [this](const Notification& n) {
        msgIDDownloadedForReplyPost(n.userInfo.value(QStringLiteral("queueobject")).value<QueuePtr>());
    });
    hub.addObserver(QStringLiteral("BodyDownloadedForReplyPost"), this, [this](const Notification& n) {
        bodyIsDownloadedForReplyPost(n.userInfo.value(QStringLiteral("filepart_object")).value<QueuePtr>());
    });
    // The engine's failure report names no job: any of them ends the wait,
    // and the body stays as it was.
    hub.addObserver(QStringLiteral("BodyDownloadedErrorForReplyPost"), this,
                    [this](const Notification&) { enableTextView(true); });
}

PostWC::~PostWC()
{
    NotificationHub::defaultCenter().removeObserver(this);
}

void PostWC::buildInterface()
{
    auto* outer = new QVBoxLayout(this);

    auto* form = new QFormLayout;
    newsserverPopupBox_ = new QComboBox(this);
    newsserverPopupBox_->setObjectName(QStringLiteral("newsserverPopupBox"));
    connect(newsserverPopupBox_, &QComboBox::activated, this, [this] { selectedNewsserverChangedByUser(); });
    posterNameTextField_ = new TVLTextField(this);
    posterNameTextField_->setObjectName(QStringLiteral("posterNameTextField"));
    posterNameTextField_->setPlaceHolderString(QStringLiteral("Your name"));
    posterEmailTextField_ = new TVLTextField(this);
    posterEmailTextField_->setObjectName(QStringLiteral("posterEmailTextField"));
    posterEmailTextField_->setPlaceHolderString(QStringLiteral("name@example.com"));
    titleTextField_ = new TVLTextField(this);
    titleTextField_->setObjectName(QStringLiteral("titleTextField"));
    titleTextField_->setPlaceHolderString(QStringLiteral("Subject of the post"));
    form->addRow(QStringLiteral("News server:"), newsserverPopupBox_);
    form->addRow(QStringLiteral("From name:"), posterNameTextField_);
    form->addRow(QStringLiteral("From e-mail:"), posterEmailTextField_);
    form->addRow(QStringLiteral("Subject:"), titleTextField_);
    outer->addLayout(form);

    auto* split = new QSplitter(Qt::Horizontal, this);
    textView_ = new QPlainTextEdit(split);
    textView_->setObjectName(QStringLiteral("textView"));
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSize(13);
    textView_->setFont(font);
    textView_->document()->setDocumentMargin(10);
    textView_->setPlaceholderText(QStringLiteral("Message text"));
    split->addWidget(textView_);

    auto* side = new QWidget(split);
    auto* sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(0, 0, 0, 0);

    auto* groupsBox = new QGroupBox(QStringLiteral("Newsgroups"), side);
    auto* groupsLayout = new QVBoxLayout(groupsBox);
    tableViewNewsgroups_ = makeTable(groupsBox, "tableViewNewsgroups");
    newsgroupsModel_ = new NewsgroupTableModel(this);
    newsgroupsModel_->setCheckable(true);
    tableViewNewsgroups_->setModel(newsgroupsModel_);
    tableViewNewsgroups_->setColumnHidden(NewsgroupTableModel::ArticlesColumn, true);
    tableViewNewsgroups_->horizontalHeader()->setSectionResizeMode(NewsgroupTableModel::NewsgroupColumn,
                                                                   QHeaderView::Stretch);
    groupsLayout->addWidget(tableViewNewsgroups_);
    auto* groupButtons = new QHBoxLayout;
    addGroupsButton_ = smallButton(QStringLiteral("+"), QStringLiteral("Add newsgroups"), groupsBox, "addGroupsButton");
    removeGroupsButton_ = smallButton(QStringLiteral("\u2212"), QStringLiteral("Remove the selected newsgroups"),
                                      groupsBox, "removeGroupsButton");
    groupButtons->addWidget(addGroupsButton_);
    groupButtons->addWidget(removeGroupsButton_);
    groupButtons->addStretch(1);
    groupsLayout->addLayout(groupButtons);
    sideLayout->addWidget(groupsBox, 1);

    auto* filesBox = new QGroupBox(QStringLiteral("Files to upload"), side);
    auto* filesLayout = new QVBoxLayout(filesBox);
    tableViewFiles_ = makeTable(filesBox, "tableViewFiles");
    filesModel_ = new UploadFilesTableModel(&files_, this);
    tableViewFiles_->setModel(filesModel_);
    tableViewFiles_->horizontalHeader()->setSectionResizeMode(UploadFilesTableModel::NameColumn, QHeaderView::Stretch);
    filesLayout->addWidget(tableViewFiles_);
    auto* fileButtons = new QHBoxLayout;
    addFilesButton_ = smallButton(QStringLiteral("+"), QStringLiteral("Add files"), filesBox, "addFilesButton");
    removeFilesButton_ = smallButton(QStringLiteral("\u2212"), QStringLiteral("Remove the selected files"), filesBox,
                                     "removeFilesButton");
    totalBytesAndFilesTextField_ = new QLabel(filesBox);
    totalBytesAndFilesTextField_->setObjectName(QStringLiteral("totalBytesAndFilesTextField"));
    fileButtons->addWidget(addFilesButton_);
    fileButtons->addWidget(removeFilesButton_);
    fileButtons->addStretch(1);
    fileButtons->addWidget(totalBytesAndFilesTextField_);
    filesLayout->addLayout(fileButtons);
    makeNZBCheckbox_ = new QCheckBox(QStringLiteral("Make an NZB file of the upload"), filesBox);
    makeNZBCheckbox_->setObjectName(QStringLiteral("makeNZBCheckbox"));
    makeNZBCheckbox_->setChecked(true);
    uploadNZBCheckbox_ = new QCheckBox(QStringLiteral("Upload the NZB file too"), filesBox);
    uploadNZBCheckbox_->setObjectName(QStringLiteral("uploadNZBCheckbox"));
    filesLayout->addWidget(makeNZBCheckbox_);
    filesLayout->addWidget(uploadNZBCheckbox_);
    sideLayout->addWidget(filesBox, 1);
    split->addWidget(side);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    outer->addWidget(split, 1);

    auto* bottom = new QHBoxLayout;
    quoteOriginalMsgButton_ = new QPushButton(QStringLiteral("Quote Original Message"), this);
    quoteOriginalMsgButton_->setObjectName(QStringLiteral("quoteOriginalMsgButton"));
    progressIndicator_ = new QProgressBar(this);
    progressIndicator_->setObjectName(QStringLiteral("progressIndicator"));
    progressIndicator_->setRange(0, 0);
    progressIndicator_->setMaximumWidth(80);
    progressIndicator_->setTextVisible(false);
    progressIndicator_->hide();
    cancelButton_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton_->setObjectName(QStringLiteral("cancelButton"));
    submitButton_ = new QPushButton(QStringLiteral("Post"), this);
    submitButton_->setObjectName(QStringLiteral("submitButton"));
    submitButton_->setDefault(true);
    bottom->addWidget(quoteOriginalMsgButton_);
    bottom->addWidget(progressIndicator_);
    bottom->addStretch(1);
    bottom->addWidget(cancelButton_);
    bottom->addWidget(submitButton_);
    outer->addLayout(bottom);

    connect(addGroupsButton_, &QPushButton::clicked, this, &PostWC::openNewsgroupSelectorWindow);
    connect(removeGroupsButton_, &QPushButton::clicked, this, [this] {
        clickedNewsgroupRow_ = -1;
        removeSelectedNewsgroups();
    });
    connect(addFilesButton_, &QPushButton::clicked, this, &PostWC::showAddFilesPanel);
    connect(removeFilesButton_, &QPushButton::clicked, this, [this] {
        clickedFileRow_ = -1;
        removeSelectedFiles();
    });
    connect(quoteOriginalMsgButton_, &QPushButton::clicked, this, &PostWC::getOriginalMsg);
    connect(cancelButton_, &QPushButton::clicked, this, &PostWC::closeWindow);
    connect(submitButton_, &QPushButton::clicked, this, &PostWC::buttonUSubmitPostClicked);
    connect(tableViewNewsgroups_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &PostWC::updateButtons);
    connect(tableViewFiles_->selectionModel(), &QItemSelectionModel::selectionChanged, this, &PostWC::updateButtons);
    connect(newsgroupsModel_, &QAbstractItemModel::modelReset, this, &PostWC::updateButtons);
    connect(filesModel_, &QAbstractItemModel::modelReset, this, &PostWC::updateButtons);

    setAcceptDrops(true);
    resize(900, 620);
    // The text fields start empty when first polished: do it now, so that
    // the form can be filled before the window is shown.
    ensurePolished();
    for (TVLTextField* field : {posterNameTextField_, posterEmailTextField_, titleTextField_})
        field->ensurePolished();
}

void PostWC::buildMenus()
{
    menuNewsgroups_ = new QMenu(this);
    menuNewsgroups_->setObjectName(QStringLiteral("menuNewsgroups"));
    menuItemAddMoreGroups_ = menuNewsgroups_->addAction(QStringLiteral("Add More Newsgroups…"), this,
                                                        &PostWC::openNewsgroupSelectorWindow);
    menuNewsgroups_->addSeparator();
    menuItemCheckAllGroups_ =
        menuNewsgroups_->addAction(QStringLiteral("Check All"), this, [this] { checkAllNewsgroups(true); });
    menuItemUncheckAllGroups_ =
        menuNewsgroups_->addAction(QStringLiteral("Uncheck All"), this, [this] { checkAllNewsgroups(false); });
    menuItemCheckSelectedGroups_ = menuNewsgroups_->addAction(QStringLiteral("Check Selected"), this,
                                                              [this] { checkSelectedNewsgroups(true); });
    menuItemUncheckSelectedGroups_ = menuNewsgroups_->addAction(QStringLiteral("Uncheck Selected"), this,
                                                                [this] { checkSelectedNewsgroups(false); });
    menuNewsgroups_->addSeparator();
    menuItemRemoveSelectedGroups_ = menuNewsgroups_->addAction(QStringLiteral("Remove Selected Newsgroups"), this,
                                                               &PostWC::removeSelectedNewsgroups);

    menuFiles_ = new QMenu(this);
    menuFiles_->setObjectName(QStringLiteral("menuFiles"));
    menuItemAddFiles_ = menuFiles_->addAction(QStringLiteral("Add Files…"), this, &PostWC::showAddFilesPanel);
    menuItemRemoveFiles_ =
        menuFiles_->addAction(QStringLiteral("Remove Selected Files"), this, &PostWC::removeSelectedFiles);

    connect(tableViewNewsgroups_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        clickedNewsgroupRow_ = tableViewNewsgroups_->indexAt(pos).row();
        menuWillOpen(menuNewsgroups_);
        menuNewsgroups_->exec(tableViewNewsgroups_->viewport()->mapToGlobal(pos));
        clickedNewsgroupRow_ = -1;
    });
    connect(tableViewFiles_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        clickedFileRow_ = tableViewFiles_->indexAt(pos).row();
        menuWillOpen(menuFiles_);
        menuFiles_->exec(tableViewFiles_->viewport()->mapToGlobal(pos));
        clickedFileRow_ = -1;
    });
}

void PostWC::showWindow()
{
    if (!loaded_) {
        loaded_ = true;
        windowDidLoad();
    }
    show();
    raise();
    activateWindow();
}

void PostWC::windowDidLoad()
{
    WindowPlacement::centerWindow(this, kWindowDistance);
    isReply_ = replyObject_.lock() != nullptr;
    quoteOriginalMsgButton_->setVisible(isReply_);
    fillContent();
    updateTotalBytesAndFilesTextField();
    updateButtons();
    showDMCAWarning();
    if (isReply_) getMessageID();
}

// ---- form

void PostWC::fillContent()
{
    posterEmailTextField_->setStringValue(defaults().stringForKey(QStringLiteral("posterEmail")));
    posterNameTextField_->setStringValue(defaults().stringForKey(QStringLiteral("posterName")));
    makeNewsserverPopupBox();
    const QueuePtr reply = replyObject_.lock();
    if (reply) titleTextField_->setStringValue(ReplyQuote::makeSubject(reply->title()));
    userSignature_ = defaults().stringForKey(QStringLiteral("userSignature"));
    if (reply)
        adoptNewsgroupsFromReply();
    else
        loadFavoriteNewsgroupsFromDatabase();
}

void PostWC::showDMCAWarning()
{
    if (!defaults().boolForKey(QStringLiteral("showDialogDMCAWarning"))) return;
    const bool dontShowAgain = DialogBoxes::alertBoxDefaultWithNotShowAgain(
        QStringLiteral("About copyrighted material"),
        sformat(u"Almost every country has copyright laws. We cannot and do not review what you are posting, but "
                u"please respect the intellectual property of others and do not use %@ to post copyrighted "
                u"material without the permission of the copyright holder.\r",
                QStringLiteral("Binorama")));
    if (dontShowAgain) defaults().setBool(false, QStringLiteral("showDialogDMCAWarning"));
}

void PostWC::makeNewsserverPopupBox()
{
    NNTPServersController* servers = context_.nntpServersController;
    for (;;) {
        const QString lastUsed = defaults().stringForKey(QStringLiteral("uploadLastUsedServerID"));
        newsserverPopupBox_->clear();
        int remembered = 0;
        if (servers) {
            for (const QString& id : servers->getUploadServerIDs()) {
                const NNTPServerObjectPtr server = servers->getNNTPServerObjectForServerID(id);
                if (!server) continue;
                if (server->serverID() == lastUsed) remembered = newsserverPopupBox_->count();
                newsserverPopupBox_->addItem(server->alias(), server->serverID());
            }
        }
        if (newsserverPopupBox_->count() > 0) {
            submitButton_->setEnabled(true);
            newsserverPopupBox_->setEnabled(true);
            addGroupsButton_->setEnabled(!isReply_);
            newsserverPopupBox_->setCurrentIndex(remembered);
            return;
        }
        if (DialogBoxes::alertBoxOpenPreferences(QStringLiteral("No news servers configured for uploading/posting'"),
                                                 QStringLiteral("You need at least one news server for this."),
                                                 false)) {
            showPreferencesWindowWithViewTag(1);
            continue;
        }
        submitButton_->setEnabled(false);
        newsserverPopupBox_->setEnabled(false);
        addGroupsButton_->setEnabled(false);
        return;
    }
}

void PostWC::selectedNewsserverChangedByUser()
{
    const QString id = newsserverPopupBox_->currentData().toString();
    if (id == defaults().stringForKey(QStringLiteral("uploadLastUsedServerID"))) return;
    defaults().setString(id, QStringLiteral("uploadLastUsedServerID"));
    BLOG(1, "Upload server changed to: %@", newsserverPopupBox_->currentText());
}

void PostWC::showPreferencesWindowWithViewTag(int tag)
{
    PrefsWC prefs(context_, tag, this);
    prefs.exec();
}

void PostWC::convertPosterTextfieldsToValidChars()
{
    posterNameTextField_->setStringValue(PostJobBuilder::cleanPosterName(posterNameTextField_->stringValue()));
    posterEmailTextField_->setStringValue(PostJobBuilder::cleanPosterEmail(posterEmailTextField_->stringValue()));
}

PostForm PostWC::currentForm() const
{
    PostForm form;
    form.subject = titleTextField_->stringValue();
    form.posterName = posterNameTextField_->stringValue();
    form.posterEmail = posterEmailTextField_->stringValue();
    form.serverID = newsserverPopupBox_->currentData().toString();
    for (const NewsgroupSelectorItem& g : getCheckedNewsgroupsArray())
        form.groups.append(g.newsgroup);
    form.body = textView_->toPlainText();
    form.msgid = msgid_;
    form.fileUrls = files_.absoluteFileUrls();
    form.totalBytes = files_.totalBytes();
    form.makeNZB = makeNZBCheckbox_->isChecked();
    form.uploadNZB = uploadNZBCheckbox_->isChecked();
    form.userSignature = userSignature_;
    return form;
}

bool PostWC::checkValues()
{
    const qint64 groups = numberOfNewsgroupsToPost();
    const double limit = defaults().doubleForKey(QStringLiteral("yencMaxArticleSize"));
    convertPosterTextfieldsToValidChars();
    const PostForm form = currentForm();
    const double textSize = PostJobBuilder::calculateTextArticleSize(form);

    // A lone surrogate has no UTF-8 form: it would not survive the trip.
    if (!form.body.isEmpty() && QString::fromUtf8(form.body.toUtf8()) != form.body) {
        if (!DialogBoxes::alertBoxYesNo(QStringLiteral("Invalid UTF8 characters detected."),
                                        QStringLiteral("Your posting contains invalid UTF8 characters and might be "
                                                       "cancelled by your news server. Would you like to continue "
                                                       "anyway."),
                                        false))
            return false;
    }
    const QString nzbFolder = defaults().stringForKey(QStringLiteral("uploadNZBExportPath"));
    if (!form.fileUrls.isEmpty() && form.makeNZB && !nzbFolder.isEmpty() && !FileUtils::doesFolderExists(nzbFolder)) {
        if (DialogBoxes::alertBoxOpenPreferences(QStringLiteral("NZB Export folder does not exists"),
                                                 QStringLiteral("Please configure an existing folder to save the "
                                                                "NZB file."),
                                                 false))
            showPreferencesWindowWithViewTag(3);
        return false;
    }
    if (!newsserverPopupBox_->isEnabled()) {
        BLOG(4, "No news servers configured for posting");
        if (DialogBoxes::alertBoxOpenPreferences(QStringLiteral("No news servers configured for posting"),
                                                 QStringLiteral("Configure at least one news server for posting."),
                                                 false))
            showPreferencesWindowWithViewTag(1);
        return false;
    }
    if (textSize > limit) {
        DialogBoxes::alertBoxDefault(QStringLiteral("Text message is too large."),
                                     sformat(u"Your text messsage is %0.0f bytes and would exceed the maximum "
                                             u"allowed size of %0.0f bytes.",
                                             textSize, limit));
        return false;
    }
    QString missing;
    if (form.subject.isEmpty()) missing += QStringLiteral("- Subject is required\n");
    if (groups == 0) missing += QStringLiteral("- No newsgroups selected\n");
    if (form.posterName.isEmpty()) missing += QStringLiteral("- 'From Name' field is cannot be empty\n");
    if (form.posterEmail.isEmpty()) missing += QStringLiteral("- 'From Email' field is cannot be empty\n");
    if (!missing.isEmpty()) {
        DialogBoxes::alertBoxDefault(QStringLiteral("Some required fields are empty."), missing);
        return false;
    }
    defaults().setString(form.posterName, QStringLiteral("posterName"));
    defaults().setString(form.posterEmail, QStringLiteral("posterEmail"));
    if (groups >= 5 && defaults().boolForKey(QStringLiteral("showDialogOver3Newsgroups"))) {
        if (DialogBoxes::alertBoxDefaultWithNotShowAgain(
                QStringLiteral("More than 4 newsgroups selected"),
                QStringLiteral("Most clients will consider your post as spam when cross-posting to more than 4 "
                               "newsgroups.")))
            defaults().setBool(false, QStringLiteral("showDialogOver3Newsgroups"));
    }
    return true;
}

void PostWC::buttonUSubmitPostClicked()
{
    if (checkValues()) openConfirmWindow();
}

void PostWC::openConfirmWindow()
{
    const PostJobBuilder::Jobs jobs = PostJobBuilder::makeJobs(currentForm());
    if (!PostJobBuilder::hasJobToConfirm(jobs)) return;
    const QueuePtr primary = jobs.primary();
    NNTPServersController* servers = context_.nntpServersController;
    const NNTPServerObjectPtr server = servers ? servers->getNNTPServerObjectForServerID(primary->serverID()) : nullptr;
    if (!server) {
        // The server went away while the window was open.
        DialogBoxes::alertBoxDefault(QStringLiteral("No news servers configured for posting"),
                                     QStringLiteral("Configure at least one news server for posting."));
        return;
    }
    UploadConfirmWC confirm(this);
    confirm.setQueue(primary);
    confirm.setNewsserverAlias(server->alias());
    confirm.setNewsgroupsArray(getCheckedNewsgroupsArray());
    confirm.setFilesize(Utils::formatBytes(jobs.totalBytes()));
    const QString postingID = PostJobBuilder::postingServerID(*server);
    const int answer = confirm.exec();
    const bool signature = defaults().boolForKey(QStringLiteral("enableUserSignature"));
    if (answer != 1) return;
    BLOG(1, "Adding post queue :: %@", primary->title());
    PostJobBuilder::handOver(jobs, postingID, context_.queueController, signature, userSignature_);
    closeWindow();
}

// ---- newsgroups

QList<NewsgroupSelectorItem> PostWC::arrayNewsgroups() const
{
    return newsgroupsModel_->items();
}

void PostWC::setNewsgroups(const QList<NewsgroupSelectorItem>& items)
{
    newsgroupsModel_->setItems(items);
}

void PostWC::loadFavoriteNewsgroupsFromDatabase()
{
    setNewsgroups(DBNewsgroups().loadFavs());
}

void PostWC::saveFavoriteNewsgroupsToDB()
{
    // An emptied list keeps the stored favourites: only a list is stored.
    if (isReply_ || arrayNewsgroups().isEmpty()) return;
    DBNewsgroups().saveFavs(arrayNewsgroups());
}

void PostWC::adoptNewsgroupsFromReply()
{
    const QueuePtr reply = replyObject_.lock();
    if (!reply) return;
    const QueuePtr owner = reply->isFilepart() && reply->queue() ? reply->queue() : reply;
    QList<NewsgroupSelectorItem> rows;
    for (const QString& name : owner->groups().split(QLatin1Char(','), Qt::SkipEmptyParts))
        rows.append({name, 0, true});
    setNewsgroups(rows);
}

void PostWC::addNewsgroup(const QList<NewsgroupSelectorItem>& items)
{
    addNewSelectedNewsgroupsFromArray(items);
}

void PostWC::addNewSelectedNewsgroupsFromArray(const QList<NewsgroupSelectorItem>& items)
{
    QList<NewsgroupSelectorItem> rows;
    QSet<QString> seen;
    for (const NewsgroupSelectorItem& item : arrayNewsgroups() + items) {
        if (seen.contains(item.newsgroup)) continue;
        seen.insert(item.newsgroup);
        rows.append(item);
    }
    std::stable_sort(rows.begin(), rows.end(), [](const NewsgroupSelectorItem& a, const NewsgroupSelectorItem& b) {
        return a.newsgroup < b.newsgroup;
    });
    setNewsgroups(rows);
}

void PostWC::removeSelectedNewsgroups()
{
    if (isReply_) return;
    QList<int> rows = getSelectedNewsgroupIndexSet();
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    QList<NewsgroupSelectorItem> items = arrayNewsgroups();
    for (const int row : rows)
        if (row >= 0 && row < items.size()) items.removeAt(row);
    setNewsgroups(items);
    removeGroupsButton_->setEnabled(false);
}

void PostWC::checkAllNewsgroups(bool checked)
{
    for (int row = 0; row < newsgroupsModel_->rowCount(); ++row)
        newsgroupsModel_->setCheckbox(row, checked);
}

void PostWC::checkSelectedNewsgroups(bool checked)
{
    for (const int row : getSelectedNewsgroupIndexSet())
        newsgroupsModel_->setCheckbox(row, checked);
}

QList<NewsgroupSelectorItem> PostWC::getCheckedNewsgroupsArray() const
{
    QList<NewsgroupSelectorItem> checked;
    for (const NewsgroupSelectorItem& item : arrayNewsgroups())
        if (item.checkbox) checked.append(item);
    return checked;
}

qint64 PostWC::numberOfNewsgroupsToPost() const
{
    return getCheckedNewsgroupsArray().size();
}

void PostWC::openNewsgroupSelectorWindow()
{
    if (isReply_ || !newsserverPopupBox_->isEnabled()) return;
    if (!newsgroupSelectorWC_) {
        newsgroupSelectorWC_ = new NewsgroupSelectorWC(this);
        newsgroupSelectorWC_->setAttribute(Qt::WA_DeleteOnClose);
        newsgroupSelectorWC_->setDelegate(this);
        newsgroupSelectorWC_->setQueueController(context_.queueController);
        newsgroupSelectorWC_->setServerID(newsserverPopupBox_->currentData().toString());
    }
    newsgroupSelectorWC_->show();
    newsgroupSelectorWC_->raise();
    newsgroupSelectorWC_->activateWindow();
}

// ---- files

void PostWC::showAddFilesPanel()
{
    QString folder = defaults().stringForKey(QStringLiteral("lastUsedFilesUploadPanelFolder"));
    if (folder.isEmpty()) folder = defaults().stringForKey(QStringLiteral("downloadPath"));
    auto* panel = new QFileDialog(this, QStringLiteral("Choose files to upload"), folder);
    panel->setObjectName(QStringLiteral("addFilesPanel"));
    panel->setAttribute(Qt::WA_DeleteOnClose);
    panel->setFileMode(QFileDialog::ExistingFiles);
    panel->setLabelText(QFileDialog::Accept, QStringLiteral("Add"));
    connect(panel, &QFileDialog::filesSelected, this, [this, panel](const QStringList& chosen) {
        addFilesFromArray(chosen);
        defaults().setString(panel->directory().absolutePath(), QStringLiteral("lastUsedFilesUploadPanelFolder"));
    });
    panel->open();
}

void PostWC::addFilesFromArray(const QStringList& paths)
{
    if (files_.addFilesFromArray(paths) == 0) return;
    filesModel_->reload();
    updateTotalBytesAndFilesTextField();
}

void PostWC::removeSelectedFiles()
{
    files_.removeRows(getSelectedFilesIndexSet());
    filesModel_->reload();
    updateTotalBytesAndFilesTextField();
    removeFilesButton_->setEnabled(false);
}

void PostWC::updateTotalBytesAndFilesTextField()
{
    totalBytesAndFilesTextField_->setText(files_.totalsText());
}

void PostWC::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void PostWC::dragMoveEvent(QDragMoveEvent* event)
{
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void PostWC::dropEvent(QDropEvent* event)
{
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile() && !url.toLocalFile().isEmpty()) paths.append(url.toLocalFile());
    if (!paths.isEmpty()) {
        BLOG(1, "Adding %ld files for uploading from drag&drop operation.", qint64(paths.size()));
        addFilesFromArray(paths);
    }
    event->acceptProposedAction();
}

// ---- selection, buttons and menus

QList<int> PostWC::selectionRule(const QTableView* table, int clickedRow)
{
    QList<int> rows;
    for (const QModelIndex& index : table->selectionModel()->selectedRows())
        rows.append(index.row());
    if (clickedRow >= 0 && !rows.contains(clickedRow)) return {clickedRow};
    std::sort(rows.begin(), rows.end());
    return rows;
}

QList<int> PostWC::getSelectedNewsgroupIndexSet() const
{
    return selectionRule(tableViewNewsgroups_, clickedNewsgroupRow_);
}

QList<int> PostWC::getSelectedFilesIndexSet() const
{
    return selectionRule(tableViewFiles_, clickedFileRow_);
}

void PostWC::updateButtons()
{
    removeGroupsButton_->setEnabled(!isReply_ && tableViewNewsgroups_->selectionModel()->hasSelection());
    removeFilesButton_->setEnabled(tableViewFiles_->selectionModel()->hasSelection());
}

void PostWC::menuWillOpen(QMenu* menu)
{
    const bool groupsEditable = !isReply_ && newsserverPopupBox_->isEnabled();
    const bool anyGroups = newsgroupsModel_->rowCount() > 0;
    const bool groupRows = !getSelectedNewsgroupIndexSet().isEmpty();
    menuItemAddMoreGroups_->setEnabled(groupsEditable);
    menuItemCheckAllGroups_->setEnabled(!isReply_ && anyGroups);
    menuItemUncheckAllGroups_->setEnabled(!isReply_ && anyGroups);
    menuItemRemoveSelectedGroups_->setEnabled(!isReply_ && groupRows);
    menuItemCheckSelectedGroups_->setEnabled(!isReply_ && groupRows);
    menuItemUncheckSelectedGroups_->setEnabled(!isReply_ && groupRows);
    if (menu == menuFiles_) menuItemRemoveFiles_->setEnabled(!getSelectedFilesIndexSet().isEmpty());
    menuItemAddFiles_->setEnabled(true);
}

// ---- reply

QueuePtr PostWC::makeRequestJob(bool header) const
{
    const QueuePtr reply = replyObject_.lock();
    const QueuePtr q = Queue::create();
    q->setFileparts({});
    q->setQid(reply->qid());
    q->setTitle(reply->title());
    q->setPoster(reply->poster());
    q->setBytes(header ? 1.0 : reply->bytes());
    q->setTotalBytesLeft(q->bytes());
    q->setTotalSegments(header ? 1 : reply->totalSegments());
    q->setTotalSegmentsLeftToDownload(q->totalSegments());
    q->setSegmentsReceived(false);
    q->setFilelistReceived(false);
    q->setCheckbox(1);
    q->setIsHeaderRequest(header);
    q->setIsReplyPost(true);
    q->setServerID(newsserverPopupBox_->currentData().toString());
    return q;
}

void PostWC::getMessageID()
{
    const QueuePtr reply = replyObject_.lock();
    // A file part or a multi-file job has no one article to refer to.
    if (!reply || reply->isFilepart() || reply->totalfiles() >= 2) return;
    msgid_ = ReplyQuote::extractMsgIdFromQueueObject(reply);
    if (!msgid_.isEmpty()) {
        enableTextView(true);
        return;
    }
    if (!context_.queueController) return;
    enableTextView(false);
    headerRequest_ = makeRequestJob(true);
    context_.queueController->dpRootQueueObjectCheckBoxClicked(headerRequest_);
}

void PostWC::msgIDDownloadedForReplyPost(const QueuePtr& job)
{
    // Only the answer to this window's own request: another window's (even
    // for the same article) must neither end this wait nor leave the reply
    // without References.
    if (!job || job != headerRequest_) return;
    enableTextView(true);
    const QueuePtr reply = replyObject_.lock();
    if (!reply || job->qid() != reply->qid()) return;
    msgid_ = ReplyQuote::extractMsgIdFromQueueObject(job);
    const QList<QueuePtr> parts = job->fileparts();
    if (!parts.isEmpty()) parts.first()->setStatus(FilePartStatus::Finished);
    job->setStatus(JobStatus::Finished);
    headerRequest_.reset();
}

void PostWC::getOriginalMsg()
{
    const QueuePtr reply = replyObject_.lock();
    if (!reply) return;
    QueuePtr part = reply;
    if (!reply->isFilepart()) {
        const QList<QueuePtr> parts = reply->fileparts();
        part = parts.isEmpty() ? nullptr : parts.first();
    }
    const QString path = ReplyQuote::bodyFilePath(part);
    if (!path.isEmpty() && QFileInfo(path).isFile()) {
        textView_->setPlainText(ReplyQuote::buildQuoteTextForQueue(part));
        return;
    }
    downloadOriginalMsg();
}

void PostWC::downloadOriginalMsg()
{
    const QueuePtr reply = replyObject_.lock();
    if (!reply || reply->isFilepart() || reply->totalfiles() >= 2 || !context_.queueController) return;
    if (reply->bytes() <= double(defaults().integerForKey(QStringLiteral("dpMaxQuoteSize")))) {
        enableTextView(false);
        bodyRequest_ = makeRequestJob(false);
        context_.queueController->dpRootQueueObjectCheckBoxClicked(bodyRequest_);
        return;
    }
    DialogBoxes::alertBoxDefault(QStringLiteral("Original post is too big to quote"),
                                 sformat(u"The original message is %@ and exceeds the maximum size to quote.",
                                         Utils::formatBytes(reply->bytes())));
}

void PostWC::bodyIsDownloadedForReplyPost(const QueuePtr& filepart)
{
    if (!filepart || !bodyRequest_ || filepart->queue() != bodyRequest_) return;
    textView_->setPlainText(ReplyQuote::buildQuoteTextForQueue(filepart));
    enableTextView(true);
    bodyRequest_->setStatus(JobStatus::Finished);
    bodyRequest_.reset();
}

void PostWC::enableTextView(bool enabled)
{
    submitButton_->setEnabled(enabled && newsserverPopupBox_->isEnabled());
    quoteOriginalMsgButton_->setEnabled(enabled);
    textView_->setReadOnly(!enabled);
    textView_->setEnabled(enabled);
    progressIndicator_->setVisible(!enabled);
}

// ---- closing

void PostWC::closeWindow()
{
    close();
}

void PostWC::closeEvent(QCloseEvent* event)
{
    if (!windowIsClosing_) {
        windowIsClosing_ = true;
        if (newsgroupSelectorWC_) newsgroupSelectorWC_->closeWindow();
        saveFavoriteNewsgroupsToDB();
    }
    event->accept();
}

NewsgroupSelectorWC* PostWC::newsgroupSelectorWC() const
{
    return newsgroupSelectorWC_;
}
