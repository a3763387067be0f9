#pragma once

#include "nntp/NewsgroupSelectorItem.h"
#include "posting/PostForm.h"
#include "posting/UploadFileList.h"
#include "queue/Queue.h"
#include "ui/nntp/NewsGroupSelectorDelegate.h"
#include "ui/prefs/PrefsContext.h"

#include <QList>
#include <QPointer>
#include <QWidget>

#include <memory>

class NewsgroupSelectorWC;
class NewsgroupTableModel;
class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTableView;
class TVLTextField;
class UploadConfirmWC;
class UploadFilesTableModel;

// The compose window: a new text post, a reply to an article (its Message-ID
// fetched and its text quoted on request), a file upload, or a text post and
// an upload together. The form is checked on submit, the user confirms a
// summary, and the jobs go to the queue engine. Any number can be open.
// Main thread.
class PostWC : public QWidget, public NewsGroupSelectorDelegate
{
    Q_OBJECT
public:
    static constexpr int kWindowDistance = 60;

    // `replyObject`: the article replied to (a job or a file part), or none.
    explicit PostWC(const PrefsContext& context, const QueuePtr& replyObject = {}, QWidget* parent = nullptr);
    ~PostWC() override;

    // Fills the form the first time, then brings the window to the front.
    void showWindow();

    // --- jobs
    PostForm currentForm() const;
    bool checkValues();
    void openConfirmWindow();
    void buttonUSubmitPostClicked();

    // --- form
    void makeNewsserverPopupBox();
    void selectedNewsserverChangedByUser();
    void convertPosterTextfieldsToValidChars();
    void showPreferencesWindowWithViewTag(int tag);

    // --- newsgroups
    void addNewsgroup(const QList<NewsgroupSelectorItem>& items) override;
    void addNewSelectedNewsgroupsFromArray(const QList<NewsgroupSelectorItem>& items);
    void removeSelectedNewsgroups();
    void checkAllNewsgroups(bool checked);
    void checkSelectedNewsgroups(bool checked);
    void openNewsgroupSelectorWindow();
    QList<NewsgroupSelectorItem> arrayNewsgroups() const;
    QList<NewsgroupSelectorItem> getCheckedNewsgroupsArray() const;
    qint64 numberOfNewsgroupsToPost() const;

    // --- files
    void showAddFilesPanel();
    void addFilesFromArray(const QStringList& paths);
    void removeSelectedFiles();
    const UploadFileList& fileList() const { return files_; }

    // --- reply
    void getMessageID();
    void getOriginalMsg();
    void downloadOriginalMsg();
    void enableTextView(bool enabled);
    QString msgid() const { return msgid_; }
    bool isReply() const { return isReply_; }
    QueuePtr headerRequest() const { return headerRequest_; }
    QueuePtr bodyRequest() const { return bodyRequest_; }

    void closeWindow();

    // Parts, for tests and the screenshot.
    QComboBox* newsserverPopupBox() const { return newsserverPopupBox_; }
    TVLTextField* titleTextField() const { return titleTextField_; }
    TVLTextField* posterNameTextField() const { return posterNameTextField_; }
    TVLTextField* posterEmailTextField() const { return posterEmailTextField_; }
    QPlainTextEdit* textView() const { return textView_; }
    QTableView* tableViewNewsgroups() const { return tableViewNewsgroups_; }
    QTableView* tableViewFiles() const { return tableViewFiles_; }
    QLabel* totalBytesAndFilesTextField() const { return totalBytesAndFilesTextField_; }
    QCheckBox* makeNZBCheckbox() const { return makeNZBCheckbox_; }
    QCheckBox* uploadNZBCheckbox() const { return uploadNZBCheckbox_; }
    QPushButton* submitButton() const { return submitButton_; }
    QPushButton* addGroupsButton() const { return addGroupsButton_; }
    QPushButton* removeGroupsButton() const { return removeGroupsButton_; }
    QPushButton* removeFilesButton() const { return removeFilesButton_; }
    QPushButton* quoteOriginalMsgButton() const { return quoteOriginalMsgButton_; }
    QProgressBar* progressIndicator() const { return progressIndicator_; }
    QMenu* menuNewsgroups() const { return menuNewsgroups_; }
    QMenu* menuFiles() const { return menuFiles_; }
    NewsgroupSelectorWC* newsgroupSelectorWC() const;

    // The rows a command applies to: the right-clicked row alone when it is
    // outside the selection, else the selected rows.
    QList<int> getSelectedNewsgroupIndexSet() const;
    QList<int> getSelectedFilesIndexSet() const;
    // A right-click on `row` (-1: none) before a context menu opens.
    void setClickedNewsgroupRow(int row) { clickedNewsgroupRow_ = row; }
    void setClickedFileRow(int row) { clickedFileRow_ = row; }
    void menuWillOpen(QMenu* menu);

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildInterface();
    void buildMenus();
    void windowDidLoad();
    void fillContent();
    void showDMCAWarning();
    void loadFavoriteNewsgroupsFromDatabase();
    void saveFavoriteNewsgroupsToDB();
    void adoptNewsgroupsFromReply();
    void setNewsgroups(const QList<NewsgroupSelectorItem>& items);
    void updateTotalBytesAndFilesTextField();
    void updateButtons();
    QueuePtr makeRequestJob(bool header) const;
    void msgIDDownloadedForReplyPost(const QueuePtr& job);
    void bodyIsDownloadedForReplyPost(const QueuePtr& filepart);
    static QList<int> selectionRule(const QTableView* table, int clickedRow);

    PrefsContext context_;
    std::weak_ptr<Queue> replyObject_;
    bool isReply_ = false;
    bool loaded_ = false;
    bool windowIsClosing_ = false;
    QString msgid_;
    QString userSignature_;
    QueuePtr headerRequest_;
    QueuePtr bodyRequest_;
    UploadFileList files_;
    int clickedNewsgroupRow_ = -1;
    int clickedFileRow_ = -1;

    QComboBox* newsserverPopupBox_ = nullptr;
    TVLTextField* posterNameTextField_ = nullptr;
    TVLTextField* posterEmailTextField_ = nullptr;
    TVLTextField* titleTextField_ = nullptr;
    QPlainTextEdit* textView_ = nullptr;
    QTableView* tableViewNewsgroups_ = nullptr;
    NewsgroupTableModel* newsgroupsModel_ = nullptr;
    QTableView* tableViewFiles_ = nullptr;
    UploadFilesTableModel* filesModel_ = nullptr;
    QLabel* totalBytesAndFilesTextField_ = nullptr;
    QCheckBox* makeNZBCheckbox_ = nullptr;
    QCheckBox* uploadNZBCheckbox_ = nullptr;
    QPushButton* addGroupsButton_ = nullptr;
    QPushButton* removeGroupsButton_ = nullptr;
    QPushButton* addFilesButton_ = nullptr;
    QPushButton* removeFilesButton_ = nullptr;
    QPushButton* quoteOriginalMsgButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QPushButton* submitButton_ = nullptr;
    QProgressBar* progressIndicator_ = nullptr;
    QMenu* menuFiles_ = nullptr;
    QMenu* menuNewsgroups_ = nullptr;
    QAction* menuItemAddFiles_ = nullptr;
    QAction* menuItemRemoveFiles_ = nullptr;
    QAction* menuItemAddMoreGroups_ = nullptr;
    QAction* menuItemRemoveSelectedGroups_ = nullptr;
    QAction* menuItemCheckAllGroups_ = nullptr;
    QAction* menuItemUncheckAllGroups_ = nullptr;
    QAction* menuItemCheckSelectedGroups_ = nullptr;
    QAction* menuItemUncheckSelectedGroups_ = nullptr;
    QPointer<NewsgroupSelectorWC> newsgroupSelectorWC_;
};
