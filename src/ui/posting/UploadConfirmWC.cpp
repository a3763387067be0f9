#include "ui/posting/UploadConfirmWC.h"

#include "controls/TableRowViewDefault.h"
#include "core/StringFormat.h"
#include "platform/NotificationHub.h"
#include "ui/core/WindowPlacement.h"
#include "ui/nntp/NewsgroupTableModel.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {

QLabel* valueLabel(QWidget* parent, const char* name)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setWordWrap(true);
    return label;
}

} // namespace

UploadConfirmWC::UploadConfirmWC(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("UploadConfirmWC"));
    setWindowTitle(QStringLiteral("Confirm Post"));
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    auto* heading = new QLabel(QStringLiteral("Please check your post before it is sent:"), this);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    layout->addWidget(heading);

    auto* form = new QFormLayout;
    textFieldTitle_ = valueLabel(this, "textFieldTitle");
    textFieldPoster_ = valueLabel(this, "textFieldPoster");
    textFieldNewsserver_ = valueLabel(this, "textFieldNewsserver");
    textFieldFilesize_ = valueLabel(this, "textFieldFilesize");
    form->addRow(QStringLiteral("Subject:"), textFieldTitle_);
    form->addRow(QStringLiteral("From:"), textFieldPoster_);
    form->addRow(QStringLiteral("News server:"), textFieldNewsserver_);
    form->addRow(QStringLiteral("Size:"), textFieldFilesize_);
    layout->addLayout(form);

    textFieldNewsgroups_ = new QLabel(this);
    textFieldNewsgroups_->setObjectName(QStringLiteral("textFieldNewsgroups"));
    layout->addWidget(textFieldNewsgroups_);
    tableViewNewsgroups_ = new QTableView(this);
    tableViewNewsgroups_->setObjectName(QStringLiteral("tableViewNewsgroups"));
    model_ = new NewsgroupTableModel(this);
    tableViewNewsgroups_->setModel(model_);
    // The list only shows where the post goes; nothing in it can be chosen.
    tableViewNewsgroups_->setSelectionMode(QAbstractItemView::NoSelection);
    tableViewNewsgroups_->setFocusPolicy(Qt::NoFocus);
    tableViewNewsgroups_->setItemDelegate(new TableRowViewDefault(tableViewNewsgroups_));
    tableViewNewsgroups_->verticalHeader()->hide();
    tableViewNewsgroups_->horizontalHeader()->setSectionResizeMode(NewsgroupTableModel::NewsgroupColumn,
                                                                   QHeaderView::Stretch);
    tableViewNewsgroups_->setColumnHidden(NewsgroupTableModel::ArticlesColumn, true);
    tableViewNewsgroups_->setMinimumHeight(110);
    layout->addWidget(tableViewNewsgroups_, 1);

    auto* nzbForm = new QFormLayout;
    textFieldNZBExportPath_ = new QLineEdit(this);
    textFieldNZBExportPath_->setObjectName(QStringLiteral("textFieldNZBExportPath"));
    textFieldNZBExportPath_->setReadOnly(true);
    nzbForm->addRow(QStringLiteral("NZB file:"), textFieldNZBExportPath_);
    layout->addLayout(nzbForm);

    auto* buttons = new QDialogButtonBox(this);
    auto* abort = buttons->addButton(QStringLiteral("Abort"), QDialogButtonBox::RejectRole);
    abort->setObjectName(QStringLiteral("abortButton"));
    confirmButton_ = buttons->addButton(QStringLiteral("Post"), QDialogButtonBox::AcceptRole);
    confirmButton_->setObjectName(QStringLiteral("confirmButton"));
    confirmButton_->setDefault(true);
    connect(confirmButton_, &QPushButton::clicked, this, &UploadConfirmWC::buttonConfirmClicked);
    connect(abort, &QPushButton::clicked, this, &UploadConfirmWC::buttonAbortClicked);
    layout->addWidget(buttons);
    resize(520, 430);

    NotificationHub::defaultCenter().addObserver(QStringLiteral("ApplicationWillTerminate"), this,
                                                 [this](const Notification&) { closeWindow(); });
}

UploadConfirmWC::~UploadConfirmWC()
{
    NotificationHub::defaultCenter().removeObserver(this);
}

int UploadConfirmWC::exec()
{
    WindowPlacement::centerWindow(this, kWindowDistance);
    // Nothing to confirm: the answer is no.
    if (!queue_) return int(responseCode_ = 0);
    fillContent();
    QDialog::exec();
    return int(responseCode_);
}

void UploadConfirmWC::fillContent()
{
    const bool nzb = queue_->makeNZB() && !queue_->nzbExportUrl().isEmpty();
    textFieldNZBExportPath_->setText(nzb ? queue_->nzbExportUrl() : QStringLiteral("-"));
    textFieldNZBExportPath_->setEnabled(nzb);
    textFieldTitle_->setText(queue_->title());
    textFieldPoster_->setText(queue_->poster());
    textFieldNewsserver_->setText(newsserverAlias_);
    textFieldFilesize_->setText(filesize_.isEmpty() ? QStringLiteral("-") : filesize_);
    const qint64 count = newsgroupsArray_.size();
    textFieldNewsgroups_->setText(count == 1 ? QStringLiteral("Posting to 1 newsgroup:")
                                             : sformat(u"Cross-posting to %ld newsgroups:", count));
    model_->setItems(newsgroupsArray_);
}

void UploadConfirmWC::buttonConfirmClicked()
{
    responseCode_ = 1;
    closeWindow();
}

void UploadConfirmWC::buttonAbortClicked()
{
    closeWindow();
}

void UploadConfirmWC::closeWindow()
{
    hide();
    done(int(responseCode_));
}
