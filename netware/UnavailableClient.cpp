// SPDX-License-Identifier: GPL-3.0-or-later
#include "netware/UnavailableClient.h"

namespace {

// Knows one text: why the client could not start.
class ReasonTextLibrary : public NWErrorTextLibrary {
public:
    explicit ReasonTextLibrary(std::string reason) : reason_(std::move(reason)) {}
    bool HasStrerror() const override { return true; }
    std::string NWstrerror(nuint32 code) const override
    {
        return code == ERR_CLIENT_NOT_STARTED ? reason_ : "Unknown error";
    }

private:
    std::string reason_;
};

}  // namespace

std::unique_ptr<NWErrorTextLibrary> UnavailableClient::LoadErrorTextLibrary()
{
    return std::make_unique<ReasonTextLibrary>(reason_);
}
