#include "nntp/SSKeychain.h"

namespace {

class NoKeychain final : public SSKeychain
{
public:
    std::optional<QString> passwordForService(const QString&, const QString&) const override
    {
        return std::nullopt;
    }
};

} // namespace

const SSKeychain& SSKeychain::none()
{
    static const NoKeychain keychain;
    return keychain;
}
