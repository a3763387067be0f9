#include "support/ScriptedDialogAnswerer.h"

#include "platform/Dispatch.h"

ScriptedDialogAnswerer::ScriptedDialogAnswerer() : previous_(DialogBoxes::presenter())
{
    DialogBoxes::setPresenter(this);
}

ScriptedDialogAnswerer::~ScriptedDialogAnswerer()
{
    DialogBoxes::setPresenter(previous_);
}

long ScriptedDialogAnswerer::runModal(const DialogRequest& request)
{
    QMutexLocker locker(&mutex_);
    asked_.append(request);
    onMain_.append(Dispatch::isMainThread());
    return codes_.isEmpty() ? fallback_ : codes_.takeFirst();
}

QList<DialogRequest> ScriptedDialogAnswerer::asked() const
{
    QMutexLocker locker(&mutex_);
    return asked_;
}

QStringList ScriptedDialogAnswerer::askedTitles() const
{
    QMutexLocker locker(&mutex_);
    QStringList titles;
    for (const DialogRequest& r : asked_)
        titles.append(r.title);
    return titles;
}

QList<bool> ScriptedDialogAnswerer::askedOnMainThread() const
{
    QMutexLocker locker(&mutex_);
    return onMain_;
}
