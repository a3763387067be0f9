#pragma once

#include <QStackedWidget>

class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;

// The four steps of the NZB export window, one page each, and their
// controls: the merge choice (for two or more results), the single-file
// step (for one), the progress and the outcome. The window wires the
// controls; this class only lays them out and shows texts.
class NZBExportStepViews : public QStackedWidget
{
    Q_OBJECT
public:
    enum Step { MergeStep = 1, SingleFileStep = 2, ProgressStep = 3, FinishedStep = 4 };

    explicit NZBExportStepViews(QWidget* parent = nullptr);

    // Shows the page of `step`; any other number shows the single-file step.
    void showStep(int step);
    int currentStep() const;

    QWidget* mergeView() const { return mergeView_; }
    QWidget* singleFileView() const { return singleFileView_; }
    QWidget* progressView() const { return progressView_; }
    QWidget* finishedView() const { return finishedView_; }

    // The heading of the first step: how many results, or which one.
    void setResults(int count, const QString& firstTitle);
    // The export folder as the first two steps show it.
    void setExportFolder(const QString& folder);

    QRadioButton* radioButtonMergeOn() const { return radioButtonMergeOn_; }
    QRadioButton* radioButtonMergeOff() const { return radioButtonMergeOff_; }
    // One per first step: merge step first, single-file step second.
    const QList<QPushButton*>& startButtons() const { return startButtons_; }
    const QList<QPushButton*>& closeButtons() const { return closeButtons_; }
    const QList<QPushButton*>& changeFolderButtons() const { return changeFolderButtons_; }
    const QList<QLabel*>& exportFolderLabels() const { return exportFolderLabels_; }
    QLabel* singleTitleLabel() const { return singleTitleLabel_; }
    QLabel* mergeHeadingLabel() const { return mergeHeadingLabel_; }

    QProgressBar* progressbar() const { return progressbar_; }
    QLabel* textfieldProgressPercentage() const { return textfieldProgressPercentage_; }
    QLabel* textfieldCurrentTitle() const { return textfieldCurrentTitle_; }
    QPushButton* btnCancel() const { return btnCancel_; }

    QLabel* textFieldFinishedTitle() const { return textFieldFinishedTitle_; }
    QLabel* textFieldFinishedDetail() const { return textFieldFinishedDetail_; }
    QLabel* imageViewResult() const { return imageViewResult_; }
    QPushButton* btnShowInFinder() const { return btnShowInFinder_; }
    QPushButton* btnNotShowAgain() const { return btnNotShowAgain_; }
    QPushButton* btnFinishedClose() const { return btnFinishedClose_; }

    // Fills the outcome page: the message, the image of success or failure
    // and, when given, the file last written.
    void showOutcome(bool success, const QString& message, const QString& file);

private:
    QWidget* buildMergeView();
    QWidget* buildSingleFileView();
    QWidget* buildProgressView();
    QWidget* buildFinishedView();
    // The folder line and the Close and Export buttons of a first step.
    void addFolderAndButtons(QWidget* page, class QVBoxLayout* layout);

    QList<QPushButton*> startButtons_;
    QList<QPushButton*> closeButtons_;
    QList<QPushButton*> changeFolderButtons_;
    QList<QLabel*> exportFolderLabels_;
    QWidget* mergeView_ = nullptr;
    QWidget* singleFileView_ = nullptr;
    QWidget* progressView_ = nullptr;
    QWidget* finishedView_ = nullptr;
    QLabel* mergeHeadingLabel_ = nullptr;
    QLabel* singleTitleLabel_ = nullptr;
    QRadioButton* radioButtonMergeOn_ = nullptr;
    QRadioButton* radioButtonMergeOff_ = nullptr;
    QProgressBar* progressbar_ = nullptr;
    QLabel* textfieldProgressPercentage_ = nullptr;
    QLabel* textfieldCurrentTitle_ = nullptr;
    QPushButton* btnCancel_ = nullptr;
    QLabel* textFieldFinishedTitle_ = nullptr;
    QLabel* textFieldFinishedDetail_ = nullptr;
    QLabel* imageViewResult_ = nullptr;
    QPushButton* btnShowInFinder_ = nullptr;
    QPushButton* btnNotShowAgain_ = nullptr;
    QPushButton* btnFinishedClose_ = nullptr;
};
