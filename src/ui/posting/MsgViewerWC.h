#pragma once

#include "queue/Queue.h"

#include <QWidget>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// Shows one downloaded text article: sender, subject and the body read from
// the file its download wrote, with a Reply button that asks for a compose
// window replying to it. Several can be open; none is modal. Main thread.
class MsgViewerWC : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kWindowDistance = 30;

    // `filepart` may be none (a text file nobody downloaded as a part).
    MsgViewerWC(const QString& fileurl, const QueuePtr& filepart, QWidget* parent = nullptr);
    ~MsgViewerWC() override;

    void showWindow();
    void openReplyWindow();
    void closeWindow();

    // UTF-8 when the bytes are valid UTF-8, else ISO-8859-1 (every byte is
    // a character there, so nothing is lost).
    static QString decodeBody(const QByteArray& bytes);

    QLineEdit* textFieldFrom() const { return textFieldFrom_; }
    QLineEdit* textFieldEmail() const { return textFieldEmail_; }
    QLineEdit* textFieldSubject() const { return textFieldSubject_; }
    QPlainTextEdit* textView() const { return textView_; }
    QPushButton* replyButton() const { return replyButton_; }
    int closeCount() const { return closeCount_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void fillContent();

    QString fileurl_;
    QueuePtr filepart_;
    bool windowIsClosing_ = false;
    int closeCount_ = 0;
    QLineEdit* textFieldFrom_ = nullptr;
    QLineEdit* textFieldEmail_ = nullptr;
    QLineEdit* textFieldSubject_ = nullptr;
    QPlainTextEdit* textView_ = nullptr;
    QPushButton* replyButton_ = nullptr;
};
