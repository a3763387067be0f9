#include "ui/search/tools/NZBExportWC.h"

#include "core/FileUtils.h"
#include "platform/FileManagerReveal.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "search/DeepLookupConsole.h"
#include "search/DeepLookupSocket.h"
#include "search/NZBExportController.h"
#include "ui/core/WindowPlacement.h"
#include "ui/search/tools/NZBExportStepViews.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString kExportPathKey = QStringLiteral("deepLookupNZBExportPath");
const QString kMergeKey = QStringLiteral("deepLookupNZBExportMerge");
const QString kShowFinishedKey = QStringLiteral("showDialogNZBExportFinishedSuccessfull");

UserDefaults& defaults()
{
    return UserDefaults::standard();
}

QString titleWithoutSuffix(const Queue& result)
{
    QString title = result.title();
    if (const QString suffix = result.titleSuffix(); !title.isEmpty() && !suffix.isEmpty()) title.remove(suffix);
    return title;
}

} // namespace

NZBExportWC::NZBExportWC(QWidget* parent)
    : QDialog(parent),
      controller_(new NZBExportController(this)),
      steps_(new NZBExportStepViews(this)),
      reveal_([](const QString& path) { FileManagerReveal::revealItem(path); })
{
    setObjectName(QStringLiteral("NZBExportWC"));
    setWindowTitle(QStringLiteral("NZB Export"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(steps_);
    setFixedSize(steps_->sizeHint().expandedTo(QSize(480, 190)));

    mergeFiles_ = defaults().boolForKey(kMergeKey);
    if (!mergeFiles_) steps_->radioButtonMergeOff()->setChecked(true);
    connect(steps_->radioButtonMergeOn(), &QRadioButton::clicked, this, [this] { radioBtnMergeClicked(1); });
    connect(steps_->radioButtonMergeOff(), &QRadioButton::clicked, this, [this] { radioBtnMergeClicked(0); });
    for (QPushButton* b : steps_->startButtons())
        connect(b, &QPushButton::clicked, this, &NZBExportWC::btnStartClicked);
    for (QPushButton* b : steps_->closeButtons())
        connect(b, &QPushButton::clicked, this, &NZBExportWC::closeWindow);
    for (QPushButton* b : steps_->changeFolderButtons())
        connect(b, &QPushButton::clicked, this, &NZBExportWC::changeExportFolder);
    connect(steps_->btnCancel(), &QPushButton::clicked, this, &NZBExportWC::cancelled);
    connect(steps_->btnShowInFinder(), &QPushButton::clicked, this, &NZBExportWC::showInFinder);
    connect(steps_->btnNotShowAgain(), &QPushButton::clicked, this, &NZBExportWC::btnNotShowAgainClicked);
    connect(steps_->btnFinishedClose(), &QPushButton::clicked, this, &NZBExportWC::closeWindow);
    updateExportFolder();

    controller_->setDelegate(this);
    NotificationHub::defaultCenter().addObserver(QStringLiteral("ApplicationWillTerminate"), this,
                                                 [this](const Notification&) { closeWindow(); });
}

NZBExportWC::~NZBExportWC()
{
    NotificationHub::defaultCenter().removeObserver(this);
    controller_->setDelegate(nullptr);
}

void NZBExportWC::setQueuearray(const QList<QueuePtr>& results)
{
    queuearray_ = results;
    steps_->setResults(int(results.size()), results.isEmpty() ? QString() : titleWithoutSuffix(*results.first()));
}

void NZBExportWC::showWindow()
{
    if (!running_ && resultDict_.isEmpty())
        changeViewController(queuearray_.size() >= 2 ? NZBExportStepViews::MergeStep
                                                     : NZBExportStepViews::SingleFileStep);
    WindowPlacement::centerWindow(this, kWindowDistance);
    show();
    raise();
    activateWindow();
}

void NZBExportWC::changeViewController(int step)
{
    steps_->showStep(step);
}

void NZBExportWC::updateExportFolder()
{
    steps_->setExportFolder(defaults().stringForKey(kExportPathKey));
}

// ---- The export

void NZBExportWC::btnStartClicked()
{
    changeViewController(NZBExportStepViews::ProgressStep);
    startProcessing();
}

void NZBExportWC::startProcessing()
{
    if (running_ || !resultDict_.isEmpty()) return;
    if (queuearray_.isEmpty()) {
        errorResult(QStringLiteral("No objects found to export"));
        return;
    }
    if (!FileUtils::enableFileAccessForKey(kExportPathKey)) {
        errorResult(QStringLiteral("No access to export folder"));
        return;
    }
    running_ = true;
    totalItems_ = 2.0 * double(queuearray_.size());
    itemsProcessed_ = 0;
    steps_->progressbar()->setRange(0, int(totalItems_));
    steps_->progressbar()->setValue(0);
    startNextObject();
}

void NZBExportWC::startNextObject()
{
    itemsProcessed_ += 1;
    updateProgressbar();
    if (queuearray_.isEmpty()) {
        successResult(QStringLiteral("NZB export completed"));
        return;
    }
    steps_->textfieldCurrentTitle()->setText(titleWithoutSuffix(*queuearray_.first()));
    controller_->downloadContentForQueue(queuearray_.first());
}

void NZBExportWC::updateProgressbar()
{
    // The step after the last result is counted too, one more than the
    // total: the bar and the percentage stop at the end.
    const double done = std::min(itemsProcessed_, totalItems_);
    steps_->progressbar()->setValue(int(done));
    steps_->textfieldProgressPercentage()->setText(
        QString::asprintf("%0.0f%%", totalItems_ > 0 ? done / totalItems_ * 100 : 0.0));
}

QString NZBExportWC::makeNZBExportUrlForQueue(const QueuePtr& result) const
{
    QString base = FileUtils::makeSafeFilename(result->title());
    if (base.isEmpty()) {
        base = QStringLiteral("no_name");
        if (result->title().isEmpty())
            deepLookupConsole(u"%s No title found for qid:%@ - %@", "-[NZBExportWC makeNZBExportUrlForQueue:]",
                              result->qid(), result->groups());
    }
    const QString folder = defaults().stringForKey(kExportPathKey);
    if (folder.isEmpty()) return {};
    // Empty when the name and its 100 numbered alternatives are all taken:
    // an existing NZB file is never written over.
    return FileUtils::createAlternativeFilenameFor(QDir(folder).filePath((base + QStringLiteral(".nzb")).toLower()));
}

void NZBExportWC::exportNZBForQueue(const QueuePtr& result)
{
    // Merged results all go into the file made for the first of them.
    const QString url = mergeFiles_ && !exportUrl_.isEmpty() ? exportUrl_ : makeNZBExportUrlForQueue(result);
    if (url.isEmpty()) {
        errorResult(QStringLiteral("No write access"));
        return;
    }
    exportUrl_ = url;
    controller_->exportNZBForQueue(result, exportUrl_, mergeFiles_);
}

void NZBExportWC::cancelled()
{
    if (!running_) return;
    // Set first: the controller may report the cancel before it returns.
    isCancelled_ = true;
    controller_->cancelSearch();
    errorResult(QStringLiteral("NZB export was cancelled"));
}

// ---- What the controller reports (stale reports are ignored)

void NZBExportWC::searchResults(const NZBExportParser::Result& result, const QueuePtr&)
{
    if (isCancelled_ || !running_) return;
    if (result.error) {
        errorResult(*result.error);
        return;
    }
    itemsProcessed_ += 1;
    updateProgressbar();
    const QueuePtr root = result.contentArray ? result.contentArray->value(0) : QueuePtr();
    if (root && !root->title().isEmpty())
        exportNZBForQueue(root);
    else
        nzbWriteFinishedForQueue(root); // nothing to write for it: on to the next
}

void NZBExportWC::searchFailed(const QString& title, const QString&, const QueuePtr&)
{
    if (!isCancelled_ && running_) errorResult(title);
}

void NZBExportWC::searchCancelledForObj(const QueuePtr&)
{
    if (!isCancelled_ && running_) cancelled();
}

void NZBExportWC::nzbWriteFinishedForQueue(const QueuePtr&)
{
    if (!queuearray_.isEmpty()) queuearray_.removeFirst();
    if (!isCancelled_ && running_) startNextObject();
}

void NZBExportWC::nzbWriteFailed(const QString& title, const QString&, const QueuePtr&)
{
    if (!isCancelled_ && running_) errorResult(title);
}

// ---- The outcome

void NZBExportWC::errorResult(const QString& message)
{
    resultDict_ = {{QStringLiteral("result"), 0}, {QStringLiteral("title"), message}};
    steps_->btnShowInFinder()->setEnabled(false);
    steps_->btnNotShowAgain()->setEnabled(false);
    finished();
}

void NZBExportWC::successResult(const QString& message)
{
    resultDict_ = {{QStringLiteral("result"), 1}, {QStringLiteral("title"), message}};
    // Every result may have been skipped: then there is no file to show.
    steps_->btnShowInFinder()->setEnabled(!exportUrl_.isEmpty());
    steps_->btnNotShowAgain()->setEnabled(true);
    finished();
}

void NZBExportWC::finished()
{
    running_ = false;
    const bool success = resultDict_.value(QStringLiteral("result")).toInt() == 1;
    steps_->showOutcome(success, resultDict_.value(QStringLiteral("title")).toString(),
                        success ? exportUrl_ : QString());
    queuearray_.clear();
    if (success && !defaults().boolForKey(kShowFinishedKey))
        closeWindow();
    else
        changeViewController(NZBExportStepViews::FinishedStep);
}

void NZBExportWC::showInFinder()
{
    if (!exportUrl_.isEmpty() && reveal_) reveal_(exportUrl_);
}

void NZBExportWC::btnNotShowAgainClicked()
{
    defaults().setBool(false, kShowFinishedKey);
    closeWindow();
}

void NZBExportWC::radioBtnMergeClicked(int tag)
{
    mergeFiles_ = tag != 0;
    defaults().setBool(mergeFiles_, kMergeKey);
}

// ---- The export folder

void NZBExportWC::changeExportFolder()
{
    const QString current = defaults().stringForKey(kExportPathKey);
    auto* panel = new QFileDialog(this, QStringLiteral("Choose folder"), current);
    panel->setObjectName(QStringLiteral("exportFolderPanel"));
    panel->setAttribute(Qt::WA_DeleteOnClose);
    panel->setFileMode(QFileDialog::Directory);
    panel->setOption(QFileDialog::ShowDirsOnly);
    panel->setLabelText(QFileDialog::Accept, QStringLiteral("OK"));
    connect(panel, &QFileDialog::fileSelected, this, &NZBExportWC::changeExportFolderToUrl);
    panel->open();
}

void NZBExportWC::changeExportFolderToUrl(const QString& folder)
{
    if (folder.isEmpty()) return;
    defaults().setString(folder, kExportPathKey);
    FileUtils::saveBookMark(kExportPathKey);
    updateExportFolder();
}

// ---- Closing

void NZBExportWC::closeWindow()
{
    if (windowIsClosing_) return;
    windowIsClosing_ = true;
    if (running_) {
        // Nothing more is fetched or written for a window that is gone.
        running_ = false;
        isCancelled_ = true;
        controller_->cancelSearch();
    }
    close();
    Q_EMIT windowWillClose();
}

void NZBExportWC::closeEvent(QCloseEvent* event)
{
    event->accept();
    closeWindow();
}
