#pragma once

#include "core/DialogBoxes.h"

#include <QList>
#include <QMutex>

// Answers the program's questions from a script, in order, and records every
// question asked. Registers itself for its lifetime.
class ScriptedDialogAnswerer : public DialogPresenter
{
public:
    ScriptedDialogAnswerer();
    ~ScriptedDialogAnswerer() override;

    // Response codes to give, in order: 1000, 1001, 1002 or 0. When the script
    // runs out, `fallback` is given.
    void script(const QList<long>& codes) { codes_ = codes; }
    void setFallback(long code) { fallback_ = code; }

    long runModal(const DialogRequest& request) override;

    QList<DialogRequest> asked() const;
    QStringList askedTitles() const;
    // For each question, whether it was asked on the main thread.
    QList<bool> askedOnMainThread() const;

private:
    mutable QMutex mutex_;
    QList<long> codes_;
    long fallback_ = 0;
    QList<DialogRequest> asked_;
    QList<bool> onMain_;
    DialogPresenter* previous_;
};
