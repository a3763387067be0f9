#include "ui/nntp/RefreshGroupsWC.h"

#include "core/Logger.h"
#include "nntp/NewsGroupDownloadController.h"
#include "nntp/NewsgroupListParser.h"
#include "platform/Dispatch.h"
#include "platform/NotificationHub.h"
#include "ui/core/WindowPlacement.h"
#include "ui/nntp/RefreshGroupsWCDelegate.h"

#include <QCloseEvent>
#include <QListWidget>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>

namespace {
constexpr int kWidth = 420;
constexpr int kHeight = 260;
} // namespace

RefreshGroupsWC::RefreshGroupsWC(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("RefreshGroupsWC"));
    setWindowTitle(QStringLiteral("Refreshing Newsgroups Listing"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowModality(Qt::WindowModal);
    setFixedSize(kWidth, kHeight);

    statusTableView_ = new QListWidget(this);
    statusTableView_->setObjectName(QStringLiteral("statusTableView"));
    statusTableView_->setSelectionMode(QAbstractItemView::NoSelection);
    statusTableView_->setFocusPolicy(Qt::NoFocus);
    statusTableView_->setGeometry(20, 20, kWidth - 40, kHeight - 85);

    progressIndicator_ = new QProgressBar(this);
    progressIndicator_->setObjectName(QStringLiteral("progressIndicator"));
    progressIndicator_->setTextVisible(false);
    progressIndicator_->setGeometry(20, kHeight - 13 - 24, 120, 16);
    progressIndicator_->hide();

    buttonCancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    buttonCancel_->setObjectName(QStringLiteral("buttonCancel"));
    buttonCancel_->setAutoDefault(false);
    buttonCancel_->setGeometry(kWidth - 10 - 91, kHeight - 13 - 32, 91, 32);
    connect(buttonCancel_, &QPushButton::clicked, this, [this] { btnCancelClicked(); });
}

RefreshGroupsWC::~RefreshGroupsWC()
{
    NotificationHub::defaultCenter().removeObserver(this);
    if (controller_) controller_->setDelegate(nullptr);
}

void RefreshGroupsWC::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!loaded_) {
        loaded_ = true;
        windowDidLoad();
    }
}

void RefreshGroupsWC::windowDidLoad()
{
    WindowPlacement::centerWindow(this, kWindowDistance);
    QPointer<RefreshGroupsWC> self(this);
    NotificationHub::defaultCenter().addObserver(QStringLiteral("ApplicationWillTerminate"), this,
                                                 [self](const Notification&) {
                                                     Dispatch::onMain([self] {
                                                         if (self) self->closeWindow();
                                                     });
                                                 });
    statusArray_.clear();
    controller_ = new NewsGroupDownloadController(this);
    controller_->setQueueController(queueController_);
    controller_->setDelegate(this);
    downloadNewsgroups();
}

void RefreshGroupsWC::downloadNewsgroups()
{
    progressIndicator_->setRange(0, 0);
    progressIndicator_->show();
    controller_->getNewsGroupListFromServerID(serverID_);
}

void RefreshGroupsWC::addStatusToTableView(const QString& text)
{
    if (isCancelled_) return;
    statusArray_.append(text);
    statusTableView_->addItem(text);
    statusTableView_->scrollToBottom();
}

void RefreshGroupsWC::finished()
{
    progressIndicator_->hide();
    progressIndicator_->setRange(0, 1);
    buttonCancel_->setText(QStringLiteral("Close"));
    buttonCancel_->setToolTip(QStringLiteral("Close window"));
}

void RefreshGroupsWC::btnCancelClicked()
{
    if (buttonCancel_->text() == QLatin1String("Close")) {
        closeWindow();
        return;
    }
    cancelDownload();
    finished();
}

void RefreshGroupsWC::cancelDownload()
{
    if (isCancelled_) return;
    addStatusToTableView(QStringLiteral("Cancelled by user"));
    isCancelled_ = true;
    if (controller_) controller_->cancel();
}

void RefreshGroupsWC::closeWindow()
{
    if (windowIsClosing_) return;
    windowIsClosing_ = true;
    cancelDownload();
    done(1);
}

void RefreshGroupsWC::closeEvent(QCloseEvent* event)
{
    closeWindow();
    event->accept();
}

void RefreshGroupsWC::connectionStatusReceived(const QString& text)
{
    addStatusToTableView(text);
}

void RefreshGroupsWC::connectionIsClosed()
{
    addStatusToTableView(QStringLiteral("Connection closed"));
    finished();
}

void RefreshGroupsWC::newsgroupsReceived(const QByteArray& reply)
{
    if (NewsgroupListParser::isEmptyList(reply)) {
        BLOG(1, "Received newsgroup list is empty");
        addStatusToTableView(QStringLiteral("Received newsgroup list is empty"));
        finished();
        emit newsgroupsParsed();
        return;
    }
    // A list of a few hundred thousand groups takes a moment to sort.
    QPointer<RefreshGroupsWC> self(this);
    Dispatch::global([self, reply] {
        QList<NewsgroupSelectorItem> items = NewsgroupListParser::parse(reply);
        Dispatch::onMain([self, items = std::move(items)] {
            if (!self) return;
            self->newsgrouplist_ = items;
            BLOG(1, "Successfully received %ld newsgroups", long(items.size()));
            self->addStatusToTableView(sformat(u"Successfully received %ld newsgroups", long(items.size())));
            if (!items.isEmpty() && !self->isCancelled_) self->newsgroupsListReceivedDelegate();
            emit self->newsgroupsParsed();
        });
    });
}

void RefreshGroupsWC::newsgroupsListReceivedDelegate()
{
    if (delegate_) delegate_->newsgroupsReceived(newsgrouplist_);
}
