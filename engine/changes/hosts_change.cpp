#include "engine/changes/hosts_change.h"

#include <string.h>

#include "base/bounded_text.h"
#include "base/setup_log.h"

HostsChange::HostsChange(const wchar_t* folder, const sockaddr_in& address, const char* domain)
    : address_(address)
{
    CopyText(folder_, folder);
    lstrcpynA(domain_, domain, sizeof(domain_));
}

bool HostsChange::Apply()
{
    return AddHostsEntry(folder_, address_, domain_, &taken_);
}

bool HostsChange::Preview(ChangePreview& preview)
{
    char address[32];
    FormatHostsAddress(address_, address, sizeof(address));
    const int naming = CountHostsLinesNaming(folder_, domain_);
    if (naming < 0)
        return false;
    preview.Say(Kind(), L"would add the line \"%S%S\" to %s\\hosts; finds %d other line(s) naming \"%S\", "
                        L"which would lose that name", address, domain_, folder_, naming, domain_);
    return true;
}

bool HostsChange::Undo()
{
    int left = 0;
    if (!RemoveHostsEntry(folder_, address_, domain_, taken_, &left))
        return false;
    // Somebody changed those lines since: they stay as they are now.
    if (left > 0)
        g_setupLog.Line(L"rollback: %d line(s) of the hosts file were changed since and did not get \"%S\" back",
                        left, domain_);
    return true;
}

void HostsChange::Remember(RememberedInstallation& memory) const
{
    memory.hosts_block = Provenance::kMade;
    lstrcpynA(memory.hosts_domain, domain_, sizeof(memory.hosts_domain));
    // Kept without the block's trailing blank: it is an address.
    FormatHostsAddress(address_, memory.hosts_address, sizeof(memory.hosts_address));
    const size_t length = strlen(memory.hosts_address);
    if (length > 0 && memory.hosts_address[length - 1] == ' ')
        memory.hosts_address[length - 1] = 0;
    memory.hosts_taken = taken_;
}
