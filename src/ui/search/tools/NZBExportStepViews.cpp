#include "ui/search/tools/NZBExportStepViews.h"

#include "controls/Artwork.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

// Every page has this width inside its margins, so long titles and folder
// paths are cut to it rather than widening the window.
constexpr int kTextWidth = 436;
constexpr int kMargin = 22;
constexpr int kResultImageSize = 48;

QLabel* heading(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

QLabel* elidedLine(QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setFixedWidth(kTextWidth);
    label->setTextFormat(Qt::PlainText);
    return label;
}

void setElided(QLabel* label, const QString& text, Qt::TextElideMode mode)
{
    label->setText(label->fontMetrics().elidedText(text, mode, label->width()));
    label->setToolTip(text);
}

QVBoxLayout* pageLayout(QWidget* page)
{
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(kMargin, 18, kMargin, 16);
    layout->setSpacing(8);
    return layout;
}

QPushButton* button(const QString& title, const char* name, QWidget* parent)
{
    auto* b = new QPushButton(title, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

} // namespace

NZBExportStepViews::NZBExportStepViews(QWidget* parent) : QStackedWidget(parent)
{
    setObjectName(QStringLiteral("containerView"));
    mergeView_ = buildMergeView();
    singleFileView_ = buildSingleFileView();
    progressView_ = buildProgressView();
    finishedView_ = buildFinishedView();
    for (QWidget* page : {mergeView_, singleFileView_, progressView_, finishedView_})
        addWidget(page);
    showStep(SingleFileStep);
}

QWidget* NZBExportStepViews::buildMergeView()
{
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("mergeView"));
    QVBoxLayout* layout = pageLayout(page);
    mergeHeadingLabel_ = heading(QString(), page);
    layout->addWidget(mergeHeadingLabel_);
    radioButtonMergeOn_ = new QRadioButton(QStringLiteral("Merge all results into one NZB file"), page);
    radioButtonMergeOn_->setObjectName(QStringLiteral("radioButtonMergeOn"));
    radioButtonMergeOff_ = new QRadioButton(QStringLiteral("Write one NZB file for each result"), page);
    radioButtonMergeOff_->setObjectName(QStringLiteral("radioButtonMergeOff"));
    auto* group = new QButtonGroup(page);
    group->addButton(radioButtonMergeOn_, 1);
    group->addButton(radioButtonMergeOff_, 0);
    radioButtonMergeOn_->setChecked(true);
    layout->addWidget(radioButtonMergeOn_);
    layout->addWidget(radioButtonMergeOff_);
    addFolderAndButtons(page, layout);
    return page;
}

QWidget* NZBExportStepViews::buildSingleFileView()
{
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("singleFileView"));
    QVBoxLayout* layout = pageLayout(page);
    layout->addWidget(heading(QStringLiteral("Export this result as an NZB file:"), page));
    singleTitleLabel_ = elidedLine(page);
    singleTitleLabel_->setObjectName(QStringLiteral("singleTitleLabel"));
    layout->addWidget(singleTitleLabel_);
    addFolderAndButtons(page, layout);
    return page;
}

void NZBExportStepViews::addFolderAndButtons(QWidget* page, QVBoxLayout* layout)
{
    layout->addSpacing(6);
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(new QLabel(QStringLiteral("Export folder:"), page));
    folderRow->addStretch();
    QPushButton* change = button(QStringLiteral("Change…"), "btnChangeExportFolder", page);
    folderRow->addWidget(change);
    layout->addLayout(folderRow);
    QLabel* folder = elidedLine(page);
    folder->setObjectName(QStringLiteral("exportFolderLabel"));
    layout->addWidget(folder);
    layout->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    QPushButton* close = button(QStringLiteral("Close"), "btnClose", page);
    QPushButton* start = button(QStringLiteral("Export"), "btnStart", page);
    start->setDefault(true);
    buttons->addWidget(close);
    buttons->addWidget(start);
    layout->addLayout(buttons);
    changeFolderButtons_ << change;
    exportFolderLabels_ << folder;
    closeButtons_ << close;
    startButtons_ << start;
}

QWidget* NZBExportStepViews::buildProgressView()
{
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("progressView"));
    QVBoxLayout* layout = pageLayout(page);
    layout->addStretch();
    layout->addWidget(heading(QStringLiteral("Exporting NZB files…"), page));
    textfieldCurrentTitle_ = elidedLine(page);
    textfieldCurrentTitle_->setObjectName(QStringLiteral("textfieldCurrentTitle"));
    layout->addWidget(textfieldCurrentTitle_);
    auto* barRow = new QHBoxLayout;
    progressbar_ = new QProgressBar(page);
    progressbar_->setObjectName(QStringLiteral("progressbar"));
    progressbar_->setTextVisible(false);
    progressbar_->setRange(0, 1);
    progressbar_->setValue(0);
    barRow->addWidget(progressbar_, 1);
    textfieldProgressPercentage_ = new QLabel(QStringLiteral("0%"), page);
    textfieldProgressPercentage_->setObjectName(QStringLiteral("textfieldProgressPercentage"));
    textfieldProgressPercentage_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    textfieldProgressPercentage_->setMinimumWidth(textfieldProgressPercentage_->fontMetrics().horizontalAdvance(
        QStringLiteral("100%")));
    barRow->addWidget(textfieldProgressPercentage_);
    layout->addLayout(barRow);
    layout->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    btnCancel_ = button(QStringLiteral("Cancel"), "btnCancel", page);
    buttons->addWidget(btnCancel_);
    layout->addLayout(buttons);
    return page;
}

QWidget* NZBExportStepViews::buildFinishedView()
{
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("finishedView"));
    QVBoxLayout* layout = pageLayout(page);
    auto* row = new QHBoxLayout;
    row->setSpacing(14);
    imageViewResult_ = new QLabel(page);
    imageViewResult_->setObjectName(QStringLiteral("imageViewResult"));
    imageViewResult_->setFixedSize(kResultImageSize, kResultImageSize);
    row->addWidget(imageViewResult_, 0, Qt::AlignTop);
    textFieldFinishedTitle_ = heading(QString(), page);
    textFieldFinishedTitle_->setObjectName(QStringLiteral("textFieldFinishedTitle"));
    textFieldFinishedTitle_->setWordWrap(true);
    textFieldFinishedTitle_->setTextFormat(Qt::PlainText);
    textFieldFinishedTitle_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(4);
    texts->addStretch();
    texts->addWidget(textFieldFinishedTitle_);
    textFieldFinishedDetail_ = new QLabel(page);
    textFieldFinishedDetail_->setObjectName(QStringLiteral("textFieldFinishedDetail"));
    textFieldFinishedDetail_->setTextFormat(Qt::PlainText);
    textFieldFinishedDetail_->setFixedWidth(kTextWidth - kResultImageSize - row->spacing());
    texts->addWidget(textFieldFinishedDetail_);
    texts->addStretch();
    row->addLayout(texts, 1);
    layout->addStretch();
    layout->addLayout(row);
    layout->addStretch();
    auto* buttons = new QHBoxLayout;
    btnNotShowAgain_ = button(QStringLiteral("Don't show again"), "btnNotShowAgain", page);
    buttons->addWidget(btnNotShowAgain_);
    buttons->addStretch();
    btnShowInFinder_ = button(QStringLiteral("Show in File Manager"), "btnShowInFinder", page);
    buttons->addWidget(btnShowInFinder_);
    btnFinishedClose_ = button(QStringLiteral("Close"), "btnFinishedClose", page);
    btnFinishedClose_->setDefault(true);
    buttons->addWidget(btnFinishedClose_);
    layout->addLayout(buttons);
    return page;
}

void NZBExportStepViews::showStep(int step)
{
    switch (step) {
    case MergeStep: setCurrentWidget(mergeView_); break;
    case ProgressStep: setCurrentWidget(progressView_); break;
    case FinishedStep: setCurrentWidget(finishedView_); break;
    default: setCurrentWidget(singleFileView_); break;
    }
}

int NZBExportStepViews::currentStep() const
{
    const QWidget* page = currentWidget();
    if (page == mergeView_) return MergeStep;
    if (page == progressView_) return ProgressStep;
    if (page == finishedView_) return FinishedStep;
    return SingleFileStep;
}

void NZBExportStepViews::setResults(int count, const QString& firstTitle)
{
    mergeHeadingLabel_->setText(QStringLiteral("Export %1 results as NZB files:").arg(count));
    setElided(singleTitleLabel_, firstTitle, Qt::ElideRight);
}

void NZBExportStepViews::setExportFolder(const QString& folder)
{
    const QString shown = folder.isEmpty() ? QStringLiteral("No folder chosen") : folder;
    for (QLabel* label : exportFolderLabels_)
        setElided(label, shown, Qt::ElideMiddle);
}

void NZBExportStepViews::showOutcome(bool success, const QString& message, const QString& file)
{
    textFieldFinishedTitle_->setText(message);
    setElided(textFieldFinishedDetail_, file, Qt::ElideMiddle);
    textFieldFinishedDetail_->setVisible(!file.isEmpty());
    imageViewResult_->setPixmap(
        Artwork::pixmap(success ? QStringLiteral("icon_nzbexport_finished") : QStringLiteral("icon_nzbexport_error"),
                        QSize(kResultImageSize, kResultImageSize)));
}
