#pragma once

#include "nntp/ServerTestReceiver.h"

#include <QStringList>

// Receives what a server-test connection reports and keeps it in order.
// Main thread.
class ServerTestRecorder : public ServerTestReceiver
{
    Q_OBJECT
public:
    void socketMessage(const QString& text) override;
    void testResultSuccessful() override;
    void testResultFailed() override;
    void removeSocket() override;

    QStringList messages() const { return messages_; }
    // "pass" or "fail", once per reported result.
    QStringList results() const { return results_; }
    int removed() const { return removed_; }

private:
    QStringList messages_;
    QStringList results_;
    int removed_ = 0;
};
