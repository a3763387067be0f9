#pragma once

#include <QByteArray>
#include <QString>

// What NewsGroupDownloadController tells its owner, on the main thread.
// Every operation is optional.
class NewsGroupDownloadControllerDelegate
{
public:
    virtual ~NewsGroupDownloadControllerDelegate() = default;

    // The raw LIST reply block, its terminating line included.
    virtual void newsgroupsReceived(const QByteArray& reply) { (void)reply; }
    virtual void connectionStatusReceived(const QString& text) { (void)text; }
    virtual void connectionIsClosed() {}
};
