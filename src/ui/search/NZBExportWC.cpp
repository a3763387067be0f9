#include "ui/search/NZBExportWC.h"

#include "core/FileUtils.h"
#include "core/Utils.h"
#include "platform/UserDefaults.h"
#include "search/DeepLookupSocket.h"
#include "search/NZBExportController.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString titleWithoutSuffix(const Queue& result)
{
    QString title = result.title();
    if (const QString suffix = result.titleSuffix(); !title.isEmpty() && !suffix.isEmpty()) title.remove(suffix);
    return title;
}

} // namespace

NZBExportWC::NZBExportWC(QWidget* parent)
    : QWidget(parent, Qt::Window),
      controller_(new NZBExportController(this)),
      list_(new QListWidget(this)),
      mergeBox_(new QCheckBox(QStringLiteral("Merge all results into one NZB file"), this)),
      progressbar_(new QProgressBar(this)),
      currentTitle_(new QLabel(this)),
      resultLabel_(new QLabel(this)),
      startButton_(new QPushButton(QStringLiteral("Export"), this)),
      cancelButton_(new QPushButton(QStringLiteral("Cancel"), this)),
      closeButton_(new QPushButton(QStringLiteral("Close"), this))
{
    setObjectName(QStringLiteral("NZBExportWC"));
    setWindowTitle(QStringLiteral("NZB Export"));
    controller_->setDelegate(this);
    mergeFiles_ = UserDefaults::standard().boolForKey(QStringLiteral("deepLookupNZBExportMerge"));
    mergeBox_->setChecked(mergeFiles_);
    connect(mergeBox_, &QCheckBox::toggled, this, [this](bool on) {
        mergeFiles_ = on;
        UserDefaults::standard().setBool(on, QStringLiteral("deepLookupNZBExportMerge"));
    });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Results to export into %1:")
                                     .arg(UserDefaults::standard().stringForKey(QStringLiteral("deepLookupNZBExportPath"))),
                                 this));
    layout->addWidget(list_, 1);
    layout->addWidget(mergeBox_);
    progressbar_->setTextVisible(true);
    layout->addWidget(progressbar_);
    layout->addWidget(currentTitle_);
    layout->addWidget(resultLabel_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancelButton_);
    buttons->addWidget(closeButton_);
    buttons->addWidget(startButton_);
    layout->addLayout(buttons);
    cancelButton_->setEnabled(false);
    connect(startButton_, &QPushButton::clicked, this, &NZBExportWC::startProcessing);
    connect(cancelButton_, &QPushButton::clicked, this, &NZBExportWC::cancelled);
    connect(closeButton_, &QPushButton::clicked, this, &QWidget::close);
    resize(520, 360);
}

NZBExportWC::~NZBExportWC()
{
    controller_->setDelegate(nullptr);
}

void NZBExportWC::setQueuearray(const QList<QueuePtr>& results)
{
    queuearray_ = results;
    list_->clear();
    for (const QueuePtr& r : results) list_->addItem(titleWithoutSuffix(*r));
}

void NZBExportWC::showWindow()
{
    show();
    raise();
    activateWindow();
}

void NZBExportWC::startProcessing()
{
    startButton_->setEnabled(false);
    mergeBox_->setEnabled(false);
    if (queuearray_.isEmpty()) {
        finished(false, QStringLiteral("No objects found to export"));
        return;
    }
    running_ = true;
    cancelButton_->setEnabled(true);
    totalItems_ = 2.0 * double(queuearray_.size());
    itemsProcessed_ = 0;
    progressbar_->setRange(0, int(totalItems_));
    progressbar_->setValue(0);
    startNextObject();
}

void NZBExportWC::startNextObject()
{
    itemsProcessed_ += 1;
    updateProgressbar();
    if (queuearray_.isEmpty()) {
        finished(true, QStringLiteral("NZB export completed"));
        return;
    }
    currentTitle_->setText(titleWithoutSuffix(*queuearray_.first()));
    controller_->downloadContentForQueue(queuearray_.first());
}

void NZBExportWC::updateProgressbar()
{
    progressbar_->setValue(int(std::min(itemsProcessed_, totalItems_)));
    progressbar_->setFormat(QString::asprintf("%0.0f%%", totalItems_ > 0 ? itemsProcessed_ / totalItems_ * 100 : 0.0));
}

QString NZBExportWC::makeNZBExportUrlForQueue(const QueuePtr& result) const
{
    const QString folder = UserDefaults::standard().stringForKey(QStringLiteral("deepLookupNZBExportPath"));
    if (folder.isEmpty()) return {};
    QString base = FileUtils::makeSafeFilename(result->title());
    if (base.isEmpty()) base = QStringLiteral("no_name");
    return FileUtils::createAlternativeFilenameFor(QDir(folder).filePath((base + QStringLiteral(".nzb")).toLower()));
}

void NZBExportWC::exportNZBForQueue(const QueuePtr& result)
{
    if (!mergeFiles_ || exportUrl_.isEmpty()) exportUrl_ = makeNZBExportUrlForQueue(result);
    if (exportUrl_.isEmpty()) {
        finished(false, QStringLiteral("No write access"));
        return;
    }
    controller_->exportNZBForQueue(result, exportUrl_, mergeFiles_);
}

void NZBExportWC::searchResults(const NZBExportParser::Result& result, const QueuePtr&)
{
    if (isCancelled_) return;
    if (result.error) {
        finished(false, *result.error);
        return;
    }
    itemsProcessed_ += 1;
    updateProgressbar();
    const QueuePtr root = result.contentArray ? result.contentArray->value(0) : QueuePtr();
    if (root && !root->title().isEmpty())
        exportNZBForQueue(root);
    else
        nzbWriteFinishedForQueue(root);
}

void NZBExportWC::searchFailed(const QString& title, const QString&, const QueuePtr&)
{
    if (!isCancelled_) finished(false, title);
}

void NZBExportWC::searchCancelledForObj(const QueuePtr&)
{
    if (!isCancelled_) cancelled();
}

void NZBExportWC::nzbWriteFinishedForQueue(const QueuePtr&)
{
    if (!queuearray_.isEmpty()) queuearray_.removeFirst();
    if (!isCancelled_ && running_) startNextObject();
}

void NZBExportWC::nzbWriteFailed(const QString& title, const QString&, const QueuePtr&)
{
    if (!isCancelled_) finished(false, title);
}

void NZBExportWC::cancelled()
{
    if (!running_) return;
    isCancelled_ = true;
    controller_->cancelSearch();
    finished(false, QStringLiteral("NZB export was cancelled"));
}

void NZBExportWC::finished(bool success, const QString& message)
{
    running_ = false;
    cancelButton_->setEnabled(false);
    resultLabel_->setText(message);
    queuearray_.clear();
    if (success && !UserDefaults::standard().boolForKey(QStringLiteral("showDialogNZBExportFinishedSuccessfull")))
        close();
}

void NZBExportWC::closeEvent(QCloseEvent* event)
{
    if (running_) cancelled();
    QWidget::closeEvent(event);
    Q_EMIT windowWillClose();
}
