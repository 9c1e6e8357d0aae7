#include "engine/changes/change_transaction.h"

#include "base/critical_section_lock.h"
#include "base/setup_log.h"

ChangeTransaction::ChangeTransaction()
{
    InitializeCriticalSection(&lock_);
}

ChangeTransaction::~ChangeTransaction()
{
    RollBack();
    DeleteCriticalSection(&lock_);
}

bool ChangeTransaction::Apply(MachineChange* change)
{
    if (change == nullptr) {
        SetLastError(ERROR_OUTOFMEMORY);
        return false;
    }
    CriticalSectionLock locked(lock_);
    if (preview_) {
        const bool possible = change->Preview(*preview_);
        const DWORD error = possible ? 0 : GetLastError();
        delete change;
        SetLastError(error);
        return possible;
    }
    if (!change->Apply()) {
        const DWORD error = GetLastError();
        delete change;
        SetLastError(error);
        return false;
    }
    TakeBackReplaced(*change);
    change->previous_ = last_;
    last_ = change;
    SetLastError(0);
    return true;
}

bool ChangeTransaction::Undo(MachineChange& change)
{
    SetLastError(0);
    if (change.Undo())
        return true;
    const DWORD error = GetLastError();
    g_setupLog.Line(L"rollback: the %s could not be taken back (system error %lu)", change.Kind(), error);
    SetLastError(error);
    return false;
}

void ChangeTransaction::TakeBackReplaced(const MachineChange& by)
{
    for (MachineChange** link = &last_; *link != nullptr;) {
        MachineChange* earlier = *link;
        if (!by.Replaces(*earlier) || !Undo(*earlier)) {
            link = &earlier->previous_;
            continue;
        }
        *link = earlier->previous_;
        delete earlier;
    }
}

RollBackReport ChangeTransaction::RollBack()
{
    RollBackReport report;
    CriticalSectionLock locked(lock_);
    while (last_ != nullptr) {
        MachineChange* change = last_;
        last_ = change->previous_;
        if (!Undo(*change) && report.failed++ == 0) {
            report.first_kind = change->Kind();
            report.first_error = GetLastError();
        }
        delete change;
    }
    return report;
}

void ChangeTransaction::Commit(RememberedInstallation* memory)
{
    CriticalSectionLock locked(lock_);
    // The list runs last first; what is remembered goes first first, so that a later
    // change of the same kind has the last word.
    MachineChange* first = nullptr;
    while (last_ != nullptr) {
        MachineChange* change = last_;
        last_ = change->previous_;
        change->previous_ = first;
        first = change;
    }
    while (first != nullptr) {
        MachineChange* change = first;
        first = change->previous_;
        if (memory)
            change->Remember(*memory);
        delete change;
    }
}

bool ChangeTransaction::Empty() const
{
    CriticalSectionLock locked(lock_);
    return last_ == nullptr;
}
