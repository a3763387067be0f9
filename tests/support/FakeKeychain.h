#pragma once

#include "nntp/SSKeychain.h"

#include <QHash>
#include <QMutex>
#include <QPair>
#include <QStringList>

// A keychain for tests: the items a test puts in, and a record of what was
// asked for, as "service/account".
class FakeKeychain final : public SSKeychain
{
public:
    void setPassword(const QString& service, const QString& account, const QString& password);

    std::optional<QString> passwordForService(const QString& service, const QString& account) const override;

    QStringList queries() const;

private:
    mutable QMutex lock_;
    QHash<QPair<QString, QString>, QString> items_;
    mutable QStringList queries_;
};
