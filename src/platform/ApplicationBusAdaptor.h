#pragma once

#include <QDBusAbstractAdaptor>
#include <QStringList>
#include <QVariantMap>

class SingleInstance;

// The freedesktop application interface of the running program on the
// session bus: the calls a desktop (or a second start of the program) makes
// to open files in it or bring it to the front.
class ApplicationBusAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")
public:
    explicit ApplicationBusAdaptor(SingleInstance* instance);

public Q_SLOTS:
    void Activate(const QVariantMap& platformData);
    void Open(const QStringList& uris, const QVariantMap& platformData);

private:
    SingleInstance* instance_;
};
