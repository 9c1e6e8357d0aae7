#include "formats/installation_memory/remembered_installation.h"

#include <string.h>
#include <type_traits>

#include "base/same_folder.h"

namespace {

bool RunTakesThePlace(Provenance kept, Provenance run, bool sameThing)
{
    switch (run) {
    case Provenance::kNone:
        return false;
    case Provenance::kUnknown:
        return kept == Provenance::kNone;
    default:
        return !(sameThing && (kept == Provenance::kMade || kept == Provenance::kFound));
    }
}

// Fields and fixed arrays alike.
template <typename T>
void Take(T& kept, const T& run)
{
    static_assert(std::is_trivially_copyable<T>::value, "a field of plain data");
    memcpy(&kept, &run, sizeof(T));
}

// The run's thing, with everything that belongs to it, in the place of the kept one, where
// it takes that place.
template <typename... Data>
void Extend(RememberedInstallation& kept, const RememberedInstallation& run, bool sameThing,
            Provenance RememberedInstallation::*thing, Data RememberedInstallation::*... data)
{
    if (!RunTakesThePlace(kept.*thing, run.*thing, sameThing))
        return;
    kept.*thing = run.*thing;
    (Take(kept.*data, run.*data), ...);
}

bool SameThumbprint(const BYTE (&a)[20], const BYTE (&b)[20])
{
    return memcmp(a, b, sizeof(a)) == 0;
}

}  // namespace

void ExtendRememberedInstallation(RememberedInstallation& kept, const RememberedInstallation& run)
{
    using R = RememberedInstallation;
    Extend(kept, run, true, &R::folder, &R::topmost_made_folder);
    Extend(kept, run, SameThumbprint(kept.server_thumbprint, run.server_thumbprint), &R::server_certificate,
           &R::server_thumbprint, &R::key_container, &R::replaced_certificate, &R::replaced_certificate_size);
    Extend(kept, run, SameThumbprint(kept.root_thumbprint, run.root_thumbprint), &R::root_certificate,
           &R::root_thumbprint);
    Extend(kept, run, true, &R::trust_list);
    Extend(kept, run, wcscmp(kept.binding_address, run.binding_address) == 0, &R::binding, &R::binding_address,
           &R::replaced_binding, &R::replaced_binding_size);
    // Names in the hosts file are read without regard to case.
    Extend(kept, run,
           lstrcmpiA(kept.hosts_domain, run.hosts_domain) == 0 && strcmp(kept.hosts_address, run.hosts_address) == 0,
           &R::hosts_block, &R::hosts_domain, &R::hosts_address, &R::hosts_taken);
    // The service manager's names are without regard to case.
    Extend(kept, run,
           SameName(kept.service_name, run.service_name),
           &R::service, &R::service_name);
    Extend(kept, run, true, &R::shortcuts);
}
