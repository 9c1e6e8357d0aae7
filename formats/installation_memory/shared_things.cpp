#include "formats/installation_memory/shared_things.h"

#include <string.h>

namespace {

using R = RememberedInstallation;

bool SameThumbprint(const BYTE (&a)[20], const BYTE (&b)[20])
{
    return memcmp(a, b, sizeof(a)) == 0;
}

bool SameServerCertificate(const R& a, const R& b)
{
    return SameThumbprint(a.server_thumbprint, b.server_thumbprint);
}

bool SameRootCertificate(const R& a, const R& b)
{
    return SameThumbprint(a.root_thumbprint, b.root_thumbprint);
}

bool SameTrustList(const R&, const R&)
{
    return true;
}

template <typename T>
void Take(T& heir, const T& leaving)
{
    memcpy(&heir, &leaving, sizeof(T));
}

template <typename... Data>
SharedThingFate HandOver(R& leaving, R* others, bool* changed, int count, bool (*same)(const R&, const R&),
                         Provenance R::*thing, Data R::*... data)
{
    if (leaving.*thing != Provenance::kMade)
        return SharedThingFate::kTake;
    bool unknownUser = false;
    for (int i = 0; i < count; ++i) {
        R& other = others[i];
        if (other.*thing == Provenance::kUnknown)
            unknownUser = true;
        if (other.*thing != Provenance::kFound || !same(other, leaving))
            continue;
        other.*thing = Provenance::kMade;
        (Take(other.*data, leaving.*data), ...);
        changed[i] = true;
        leaving.*thing = Provenance::kFound;
        return SharedThingFate::kHandOver;
    }
    return unknownUser ? SharedThingFate::kKeep : SharedThingFate::kTake;
}

}  // namespace

SharedThingsFates HandOverSharedThings(RememberedInstallation& leaving, RememberedInstallation* others,
                                       bool* changed, int count)
{
    SharedThingsFates fates;
    fates.server_certificate = HandOver(leaving, others, changed, count, SameServerCertificate,
                                        &R::server_certificate, &R::key_container, &R::replaced_certificate,
                                        &R::replaced_certificate_size);
    fates.root_certificate = HandOver(leaving, others, changed, count, SameRootCertificate, &R::root_certificate);
    fates.trust_list = HandOver(leaving, others, changed, count, SameTrustList, &R::trust_list);
    return fates;
}
