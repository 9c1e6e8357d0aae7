#pragma once
#include <windows.h>

#include "engine/changes/machine_change.h"

// What a rollback could not take back: how many undos failed, and the first of them.
struct RollBackReport
{
    int failed = 0;
    const wchar_t* first_kind = L"";
    DWORD first_error = 0;
};

// The run's changes to the machine, from the wizard's pages to the installation's last
// step, in the order they were made. Owned by the run and lent to whoever changes the
// machine for it; pages and the installation's worker use it in turn, and a lock keeps any
// two calls apart all the same.
class ChangeTransaction
{
public:
    ChangeTransaction();
    // What was neither kept nor taken back goes back: a run that ended without saying.
    ~ChangeTransaction();
    ChangeTransaction(const ChangeTransaction&) = delete;
    ChangeTransaction& operator=(const ChangeTransaction&) = delete;

    // Takes `change` over (made with new (std::nothrow)) and applies it. Its entry is the
    // object itself, so it exists before the machine is touched: a null change (its
    // allocation failed) is refused with ERROR_OUTOFMEMORY, having changed nothing. A
    // change whose Apply fails is deleted, not recorded. False with the last error then.
    // Earlier changes that the applied one replaces are taken back at once (one whose undo
    // fails stays on record, for the rollback to try again).
    bool Apply(MachineChange* change);
    // Takes every change back, the last first. An undo that fails is logged and counted,
    // and the ones before it are undone all the same. A second call finds nothing to do.
    RollBackReport RollBack();
    // Keeps every change: each adds what it made to `memory` (when given), first first,
    // then the transaction forgets them.
    void Commit(RememberedInstallation* memory = nullptr);
    bool Empty() const;
    // From now on Apply makes nothing: each change only says into `preview` what it would
    // do, and goes. Nothing is recorded, so there is nothing to take back or keep.
    void PreviewInto(ChangePreview& preview) { preview_ = &preview; }
    // The preview that the run's changes are said into; null for a run that makes them.
    ChangePreview* Previewing() const { return preview_; }

private:
    // Undoes `change` and logs a failure; the reason stays the last error.
    static bool Undo(MachineChange& change);
    void TakeBackReplaced(const MachineChange& by);

    MachineChange* last_ = nullptr;
    ChangePreview* preview_ = nullptr;
    mutable CRITICAL_SECTION lock_;
};
