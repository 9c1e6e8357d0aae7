#pragma once
#include <windows.h>

#include "engine/changes/machine_change.h"
#include "system/http/ssl_binding.h"

// SetSslBinding of the server's address on port 443; the binding that the address had
// before comes back in its place.
class SslBindingChange final : public MachineChange
{
public:
    SslBindingChange(const wchar_t* addressText, const BYTE (&hash)[20]);
    bool Apply() override;
    bool Undo() override;
    bool Preview(ChangePreview& preview) override;
    void Remember(RememberedInstallation& memory) const override;
    const wchar_t* Kind() const override { return L"HTTPS binding"; }

private:
    wchar_t address_[16];
    BYTE hash_[20];
    SavedSslBinding replaced_;
};
