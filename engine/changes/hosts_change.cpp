#include "engine/changes/hosts_change.h"

#include "base/bounded_text.h"

HostsChange::HostsChange(const wchar_t* folder, const sockaddr_in& address, const char* domain)
    : address_(address)
{
    CopyText(folder_, folder);
    lstrcpynA(domain_, domain, sizeof(domain_));
}

bool HostsChange::Apply()
{
    // A file that cannot be read could not be copied without the domain either.
    return before_.Save(folder_) && AddHostsEntry(folder_, address_, domain_, nullptr);
}

bool HostsChange::Undo()
{
    return before_.PutBack(folder_);
}

void HostsChange::Remember(RememberedInstallation& memory) const
{
    memory.hosts_block = Provenance::kMade;
    lstrcpynA(memory.hosts_domain, domain_, sizeof(memory.hosts_domain));
    FormatHostsAddress(address_, memory.hosts_address, sizeof(memory.hosts_address));
}
