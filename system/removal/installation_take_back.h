#pragma once
#include <windows.h>
#include <stddef.h>
#include <string>
#include <vector>

#include "formats/installation_memory/remembered_installation.h"
#include "formats/installation_memory/shared_things.h"

// Removing an installation as its uninstaller does: what the installation remembered
// making (system/uninstall/remembered_installation_store.h) is taken back, what it found is
// left, and whatever stays is named with why. The installation is the entry among the
// installed programs whose folder is the uninstaller's: only administrators write there,
// never the folder's own files.

// Another installation of the server that takes over a shared thing.
struct TakeBackHeir
{
    std::wstring service;
    RememberedInstallation record;  // as it is to be written, the thing made its own
};

// What a removal takes back, read before anything is done: for the question to the user,
// and for the work. Large: kept on the heap.
struct TakeBackPlan
{
    wchar_t folder[MAX_PATH] = {};  // the installation folder, as its entry names it
    wchar_t service[64] = {};       // the entry's service name; "" when no entry names the folder
    bool remembered = false;        // the entry has a record; without one everything is kUnknown
    RememberedInstallation record;  // what the installation made, the shared things handed over as found
    SharedThingsFates shared;       // what becomes of the shared things it made
    std::vector<TakeBackHeir> heirs;
};

// Forms the plan for the installation in `folder`. False, with the reason in the last error,
// only when the list of installed programs cannot be read; an installation without an entry
// or record is planned with what it can prove (kUnknown things are left and named).
bool PlanTakeBack(const wchar_t* folder, TakeBackPlan& plan);

// The lines that tell a person what the removal will take (each ends with no line break),
// one per thing the plan takes back; `count` receives their number.
static const int kTakeBackLineCapacity = 12;
void DescribeTakeBack(const TakeBackPlan& plan, wchar_t (&lines)[kTakeBackLineCapacity][MAX_PATH + 96], int& count);

// One thing that stayed on the machine.
struct LeftThing
{
    wchar_t what[MAX_PATH + 96];  // the thing, named for a person
    DWORD error;                  // why it could not be taken back; 0 when it is left on purpose
    wchar_t why[160];             // for things left on purpose: why
};

class TakeBackReport
{
public:
    static const int kCapacity = 32;
    void Left(DWORD error, const wchar_t* why, const wchar_t* format, ...);
    int Count() const { return count_; }
    const LeftThing& At(int index) const { return things_[index]; }
    // The code of the first thing that could not be taken back, 0 when none failed.
    DWORD FirstError() const;

private:
    LeftThing things_[kCapacity] = {};
    int count_ = 0;
};

// Takes back what `plan` says the installation made, last made first: the service (only
// while its command line is still the folder's server's), the Start-menu links, the hosts
// block, the HTTP.sys binding (only while it is bound to the installation's certificate),
// the server certificate with its key, the root certificate and the trust list (those three
// handed over to another installation of the server that found them, see
// HandOverSharedThings), the uninstall entry with its record, then the folder's files and
// the folders the installation made. The running uninstaller's own image must be out of
// the folder before. Everything that stays goes to `report`. True when nothing that the
// installation made is left.
bool CarryOutTakeBack(const TakeBackPlan& plan, TakeBackReport& report);
