#pragma once

#include "nntp/NNTPServerObject.h"

#include <QMutex>
#include <QObject>
#include <QString>

// One row of the connections table: one connection slot, with what its
// connection last reported. The server list makes the rows; the connections
// update them on the main thread, and `changed` tells the page.
class TVConnectionsObject : public QObject
{
    Q_OBJECT
public:
    TVConnectionsObject() = default;

    static TVConnectionsObjectPtr create() { return std::make_shared<TVConnectionsObject>(); }

    qint64 nr() const;
    void setNr(qint64 nr);
    QString alias() const;
    void setAlias(const QString& alias);
    QString filename() const;
    void setFilename(const QString& filename);
    QString title() const;
    void setTitle(const QString& title);
    QString lastresponse() const;
    void setLastresponse(const QString& lastresponse);
    // A text no engine operation writes; kept for the page.
    QString status() const;
    void setStatus(const QString& status);
    // The slot of the row (strong: the row keeps its slot).
    NNTPServerObjectPtr nntpObject() const;
    void setNntpObject(const NNTPServerObjectPtr& slot);

Q_SIGNALS:
    // After every assignment, on the assigning thread.
    void changed();

private:
    template <typename T> void assign(T& field, const T& value);

    mutable QMutex lock_;
    qint64 nr_ = 0;
    QString alias_;
    QString filename_;
    QString title_;
    QString lastresponse_;
    QString status_;
    NNTPServerObjectPtr nntpObject_;
};
