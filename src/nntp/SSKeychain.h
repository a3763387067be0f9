#pragma once

#include <QString>

#include <optional>

// The password items that version 100 of the server store kept outside the
// file, one per (service, account). This platform has no such keychain, so
// the program itself uses none(), and a converted version-100 store comes
// back with empty passwords; tests pass a store of their own.
class SSKeychain
{
public:
    virtual ~SSKeychain() = default;

    // The password of the item, or none when there is no such item.
    virtual std::optional<QString> passwordForService(const QString& service,
                                                      const QString& account) const = 0;

    // A keychain without items.
    static const SSKeychain& none();
};
