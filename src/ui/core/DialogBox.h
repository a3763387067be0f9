#pragma once

#include <QDialog>
#include <QList>
#include <QString>
#include <QUrl>

class QLabel;
class QPushButton;

// The program's own modal question window: a title, an information text, an
// image and up to three push buttons laid out from the right edge. Built for
// one question: made, run modally, dropped.
//
// Lengths below are in pixels of the design; vertical positions of the
// button row count from the window's bottom edge, as the row stays there
// when the window grows.
class DialogBox : public QDialog
{
    Q_OBJECT
public:
    // The window's design size. It keeps its width and only ever grows
    // downward from this height, to fit a long information text.
    static constexpr int kDesignWidth = 460;
    static constexpr int kDesignHeight = 160;
    static constexpr int kButtonBottom = 13; // gap between button row and bottom edge
    static constexpr int kButtonHeight = 32;
    static constexpr int kMinButtonWidth = 81;
    static constexpr int kButtonMargin = 10;

    explicit DialogBox(QWidget* parent = nullptr);
    DialogBox(const QString& title, const QString& info, QWidget* parent = nullptr);
    ~DialogBox() override;

    // The n-th button added gets the tag n and ends the dialog with code
    // 999 + n.
    QPushButton* addButtonWithTitle(const QString& title);
    // A button that opens `url` in the browser and ends the dialog with 0;
    // without an address it does nothing.
    QPushButton* addInfoButtonWithUrl(const QUrl& url, const QString& title);
    // The n-th button (from 1) answers the Return key; outside 1 to the
    // number of buttons no button does.
    void activeButton(int number);
    // Replaces the image; a null image changes nothing.
    void image(const QImage& image);
    void image(const QPixmap& image);

    // While set, the dialog ends (code 0) when its window stops being the
    // active one.
    void setSelfClosing(bool value) { selfClosing_ = value; }
    bool selfClosing() const { return selfClosing_; }

    QString title() const { return title_; }
    QString info() const { return info_; }
    const QList<QPushButton*>& buttonsArray() const { return buttonsArray_; }
    int activeButtonNumber() const { return activeButton_; }
    long clickedButton() const { return clickedButton_; }
    QUrl htmlLink() const { return htmlLink_; }
    QLabel* imageView() const { return imageView_; }
    QLabel* titleTextfield() const { return titleTextfield_; }
    QLabel* infoTextfield() const { return infoTextfield_; }
    // The whole title of a button, also when it is shown truncated.
    static QString fullTitle(const QPushButton* button);

    // Runs the window modally. Returns 1000, 1001 or 1002 for the button
    // with tag 1, 2 or 3, and 0 when the dialog ended otherwise (the link
    // button, lost focus while self-closing, closing, termination).
    long runModal();

    // Ends the run with the code of the pressed button and hides the window.
    // Only the first call counts.
    void closeWindow();

    // The code the run ends with for the current clickedButton.
    long responseCode() const;

public Q_SLOTS:
    // Escape is no answer: it does nothing, so a forced question keeps its
    // one way out.
    void reject() override {}

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // What the window does once it exists: fill the texts, grow to fit the
    // information, take its place and listen for the end of the program.
    void windowDidLoad();
    void resizeWindowHeight();
    QPushButton* makeButton(const QString& title);
    void placeButton(QPushButton* button);
    void buttonPressed(int tag);
    void urlButtonPressed();

    QString title_;
    QString info_;
    QLabel* imageView_;
    QLabel* titleTextfield_;
    QLabel* infoTextfield_;
    QList<QPushButton*> buttonsArray_;
    int activeButton_ = 0;
    long clickedButton_ = 0;
    QUrl htmlLink_;
    bool selfClosing_ = false;
    bool loaded_ = false;
    bool wasActive_ = false;
    bool closing_ = false;
};
