#pragma once
#include <winsock2.h>
#include <windows.h>

#include "engine/changes/machine_change.h"
#include "system/hosts/hosts_file.h"

// AddHostsEntry: the server's domain made resolvable on this computer through the hosts
// file of `folder`. Undo takes out the run's own block and gives back the names it took off
// other lines (RemoveHostsEntry); every other line, old or new, stays.
class HostsChange final : public MachineChange
{
public:
    HostsChange(const wchar_t* folder, const sockaddr_in& address, const char* domain);
    bool Apply() override;
    bool Undo() override;
    bool Preview(ChangePreview& preview) override;
    void Remember(RememberedInstallation& memory) const override;
    const wchar_t* Kind() const override { return L"hosts file"; }

private:
    wchar_t folder_[MAX_PATH];
    sockaddr_in address_;
    char domain_[256];
    HostsTakenLines taken_;
};
