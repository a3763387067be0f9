#pragma once

#include <QDialog>

class QLabel;

// The About window: the program's name, version and build, and the
// copyright notice with the current year. Run modally; closing it, or the
// end of the program, ends the run.
class AboutWC : public QDialog
{
    Q_OBJECT
public:
    explicit AboutWC(QWidget* parent = nullptr);
    ~AboutWC() override;

    // "Version %@ (Build %@)" filled with the settings appVersionNr and
    // appBuildNr.
    static QString versionText();
    static QString copyrightText();

    // Runs the window modally until it is closed.
    int runModal();
    // Ends the modal run and hides the window. Only the first call counts.
    void closeWindow();

    QLabel* appNameTextField() const { return appNameTextField_; }
    QLabel* versionTextField() const { return versionTextField_; }
    QLabel* copyrightTextField() const { return copyrightTextField_; }

public Q_SLOTS:
    // Escape closes the window like its close button.
    void reject() override { closeWindow(); }

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void windowDidLoad();

    QLabel* appNameTextField_;
    QLabel* versionTextField_;
    QLabel* copyrightTextField_;
    bool windowIsClosing_ = false;
    bool placed_ = false;
};
