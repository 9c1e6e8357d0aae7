#pragma once
#include "formats/installation_memory/remembered_installation.h"

// The things that installations of the server on one machine can share: one made the
// server certificate (the same PFX given twice), the root certificate or the trust list,
// the others found it there and use it. Removing the maker must not take it from them.

// What the removal of one installation does with a shared thing it made.
enum class SharedThingFate
{
    kTake,       // no other installation uses it: the removal takes it back
    kHandOver,   // an installation that found it becomes its maker; the removal leaves it
    kKeep,       // an installation of an earlier release may use it, and cannot tell: left
};

struct SharedThingsFates
{
    SharedThingFate server_certificate = SharedThingFate::kTake;
    SharedThingFate root_certificate = SharedThingFate::kTake;
    SharedThingFate trust_list = SharedThingFate::kTake;
};

// Decides, for the removal of `leaving`, the fate of each shared thing it made, against the
// records of the other installations (`others`, `count` of them; an installation without a
// record is one whose things are all kUnknown). A thing goes over to the first installation
// that found the same thing (same thumbprint; there is one trust list): its record then
// says made, with what belongs to the thing (the key container and the replaced entry of
// the server certificate), `changed[i]` is set for it, and `leaving`'s record says found, so
// that its removal leaves the thing. Things `leaving` did not make are never touched.
SharedThingsFates HandOverSharedThings(RememberedInstallation& leaving, RememberedInstallation* others,
                                       bool* changed, int count);
