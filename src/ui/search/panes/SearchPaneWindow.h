#pragma once

#include <QDialog>

// What the small windows of the history and bookmark panes share: each runs
// modally, is placed 100 points below the main window's top edge (or hangs
// from its parent window when it runs as a sheet), ends once with its
// response code however it closes (its buttons, Escape, the close box, or
// the program quitting), and can run again afterwards.
class SearchPaneWindow : public QDialog
{
    Q_OBJECT
public:
    static constexpr int kWindowDistance = 100;

    ~SearchPaneWindow() override;

    qint64 responseCode() const { return responseCode_; }

    // Application-modal run; answers responseCode().
    qint64 runModal();
    // Modal to the parent window only, placed on it; answers responseCode().
    // Without a parent this is runModal().
    qint64 runAsSheet();

    // Ends the run with responseCode(); only the first call of a run counts.
    void closeWindow();

public Q_SLOTS:
    void reject() override { closeWindow(); }

protected:
    explicit SearchPaneWindow(QWidget* parent);

    void setResponseCode(qint64 code) { responseCode_ = code; }
    // Fills the window before it shows, once per run. Set the response code
    // a run starts from here; a call of closeWindow() here ends the run
    // before it shows.
    virtual void windowDidLoad() = 0;
    // Runs when the window ends, before the modal run stops.
    virtual void windowWillEnd() {}

    void closeEvent(QCloseEvent* event) override;

private:
    qint64 run(bool sheet);

    qint64 responseCode_ = 0;
    bool windowIsClosing_ = false;
};
