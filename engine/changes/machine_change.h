#pragma once
#include <windows.h>

#include "engine/changes/change_preview.h"
#include "formats/installation_memory/remembered_installation.h"

// One change the setup makes to the machine. Apply makes it and keeps what it found there
// before; Undo takes back exactly what Apply did, nothing that came since and nothing that
// was there. Both return false with the reason as the thread's last error. An Apply that
// fails has left nothing of itself: it is not recorded, and nothing undoes it.
class MachineChange
{
public:
    virtual ~MachineChange() = default;
    virtual bool Apply() = 0;
    virtual bool Undo() = 0;
    // Says into `preview` what Apply would do and what it finds there now, changing nothing.
    // False, with the reason as the last error, when Apply would be refused for a reason
    // already to be seen: a preview ends as the run would.
    virtual bool Preview(ChangePreview& preview) = 0;
    // What the installation is to remember of this change once the run commits.
    virtual void Remember(RememberedInstallation&) const {}
    // True when this change, once made, makes `earlier` (of the same run) needless: another
    // certificate chosen for the same use, say. The transaction then takes `earlier` back.
    virtual bool Replaces(const MachineChange& /*earlier*/) const { return false; }
    // For the log: what kind of change failed to be taken back.
    virtual const wchar_t* Kind() const = 0;

private:
    friend class ChangeTransaction;
    MachineChange* previous_ = nullptr;
};
