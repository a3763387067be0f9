#pragma once

#include "core/DialogBoxes.h"

#include <QDialog>
#include <QList>
#include <QUrl>

class QLabel;
class QPushButton;

// The program's own modal question window: title, information text, an
// optional image and up to three buttons laid out from the right edge.
class DialogBox : public QDialog
{
    Q_OBJECT
public:
    // The window's design size; it only ever grows downward from it.
    static constexpr int kDesignWidth = 460;
    static constexpr int kDesignHeight = 150;

    explicit DialogBox(QWidget* parent = nullptr);
    DialogBox(const QString& title, const QString& info, QWidget* parent = nullptr);
    ~DialogBox() override;

    QPushButton* addButtonWithTitle(const QString& title);
    QPushButton* addInfoButtonWithUrl(const QUrl& url, const QString& title);
    void activeButton(int number);
    void image(const QImage& image);
    void setSelfClosing(bool value) { selfClosing_ = value; }
    bool selfClosing() const { return selfClosing_; }

    const QList<QPushButton*>& buttonsArray() const { return buttonsArray_; }
    long clickedButton() const { return clickedButton_; }

    // Runs the window modally; returns 1000, 1001, 1002 or 0.
    long runModal();

    // Ends the run with the response code of the pressed button.
    void closeWindow();

    // The top-left position for a window of `size` centred on `reference`,
    // its top edge `distance` below the reference's top edge, clamped to the
    // screen's available area.
    static QPoint centeredPosition(const QRect& reference, const QSize& size, const QRect& available, int distance);

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buttonPressed(int tag);
    void urlButtonPressed();
    void placeButton(QPushButton* button);
    void resizeWindowHeight();
    void centerWindow();

    QLabel* imageView_;
    QLabel* titleTextfield_;
    QLabel* infoTextfield_;
    QList<QPushButton*> buttonsArray_;
    int activeButton_ = 0;
    long clickedButton_ = 0;
    QUrl htmlLink_;
    bool selfClosing_ = false;
    bool closing_ = false;
    bool laidOut_ = false;
};

// Presents the engine's questions in DialogBox windows.
class DialogBoxWidgetPresenter : public DialogPresenter
{
public:
    long runModal(const DialogRequest& request) override;
};
