#include "platform/Dispatch.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <QThreadPool>

namespace Dispatch {

void onMain(std::function<void()> fn)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return;
    QMetaObject::invokeMethod(app, std::move(fn), Qt::QueuedConnection);
}

void onThreadOf(QObject* context, std::function<void()> fn)
{
    if (!context)
        return;
    QMetaObject::invokeMethod(context, std::move(fn), Qt::QueuedConnection);
}

void global(std::function<void()> fn)
{
    QThreadPool::globalInstance()->start(std::move(fn));
}

bool isMainThread()
{
    QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

} // namespace Dispatch
