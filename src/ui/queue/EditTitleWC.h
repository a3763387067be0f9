#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

// The rename window: the user gives one download job a new title. The
// caller sets `title`, runs the window, and on 1 reads `newtitle` (trimmed of
// spaces and tabs). An empty title, one made only of "/", ":", "." and
// spaces, or the unchanged title ends the run like a cancel, silently.
class EditTitleWC : public QDialog
{
    Q_OBJECT
public:
    static constexpr int kWindowDistance = 100;

    explicit EditTitleWC(QWidget* parent = nullptr);
    ~EditTitleWC() override;

    QString title() const { return title_; }
    void setTitle(const QString& title) { title_ = title; }
    QString newtitle() const { return newtitle_; }
    qint64 responseCode() const { return responseCode_; }
    QLineEdit* titleTextField() const { return titleTextField_; }
    QPushButton* submitButton() const { return submitButton_; }
    QPushButton* cancelButton() const { return cancelButton_; }

    // Prepares the window and runs it modally; returns responseCode().
    qint64 runModal();

    void submitButtonClicked();
    void cancelButtonClicked();
    // Ends the modal run with responseCode(); only the first call counts.
    void closeWindow();
    bool checkIfValidTitle() const;

    // The trimming the window applies: spaces and tabs at both ends.
    static QString trimSpacesAndTabs(const QString& text);

public Q_SLOTS:
    void reject() override { cancelButtonClicked(); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void windowDidLoad();

    QString title_;
    QString newtitle_;
    QLineEdit* titleTextField_;
    QPushButton* submitButton_;
    QPushButton* cancelButton_;
    qint64 responseCode_ = 0;
    bool windowIsClosing_ = false;
};
