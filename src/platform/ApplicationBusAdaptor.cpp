#include "platform/ApplicationBusAdaptor.h"

#include "platform/SingleInstance.h"

ApplicationBusAdaptor::ApplicationBusAdaptor(SingleInstance* instance)
    : QDBusAbstractAdaptor(instance), instance_(instance)
{}

void ApplicationBusAdaptor::Activate(const QVariantMap&)
{
    Q_EMIT instance_->activationRequested();
}

void ApplicationBusAdaptor::Open(const QStringList& uris, const QVariantMap&)
{
    const QStringList paths = SingleInstance::pathsOfUris(uris);
    if (paths.isEmpty())
        Q_EMIT instance_->activationRequested();
    else
        Q_EMIT instance_->filesOpened(paths);
}
