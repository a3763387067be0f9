#pragma once

#include "search/RequestNewsGroupSocketDelegate.h"
#include "search/RequestNewsgroupSocket.h"

#include <QDialog>
#include <QPointer>

class QLineEdit;
class QPushButton;

// The window in which the user asks the search service to index a
// newsgroup it does not list yet. The name field keeps only the characters
// of a newsgroup name, in lower case, as the user types; Send checks the
// name and sends it, and the service's answer is shown in an alert, after
// which the window closes. A refused name or a failed connection keeps the
// window open so the user can correct it and send again.
//
// Whoever opens it makes it, calls showWindow(), and drops it on
// windowWillClose() (said once).
class RequestNewsgroupWC : public QDialog, private RequestNewsGroupSocketDelegate
{
    Q_OBJECT
public:
    static constexpr int kWindowDistance = 60;
    // The characters a typed name keeps (lower-cased afterwards).
    static const QString kNewsgroupCharacters;
    // Shorter names are refused.
    static constexpr int kMinimumNameLength = 6;

    explicit RequestNewsgroupWC(QWidget* parent = nullptr);
    ~RequestNewsgroupWC() override;

    QLineEdit* textfieldNewsgroup() const { return textfieldNewsgroup_; }
    QPushButton* buttonSend() const { return buttonSend_; }
    QPushButton* buttonCancel() const { return buttonCancel_; }
    // The request under way, null otherwise.
    RequestNewsgroupSocket* socket() const { return socket_; }

    // Places the window and brings it to the front with the name field
    // focused.
    void showWindow();
    // Checks the name in the field and sends it, or says why it is not a
    // newsgroup name.
    void sendRequestToServer();
    // Closes the window once.
    void closeWindow();

Q_SIGNALS:
    void windowWillClose();

public Q_SLOTS:
    void reject() override { closeWindow(); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // RequestNewsGroupSocketDelegate
    void serverResponse(const QString& text) override;
    void connectionError(const QString& title, const QString& subtitle) override;

    void releaseSocket();

    QLineEdit* textfieldNewsgroup_;
    QPushButton* buttonCancel_;
    QPushButton* buttonSend_;
    QPointer<RequestNewsgroupSocket> socket_;
    bool windowIsClosing_ = false;
};
