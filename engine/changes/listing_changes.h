#pragma once
#include <windows.h>

#include "base/cancel_check.h"
#include "engine/changes/machine_change.h"
#include "system/uninstall/saved_uninstall_entry.h"

// Where users find the installed server: its entry among the installed programs and its
// Start-menu links.

// WriteUninstallEntry; an entry of the same service name that was there comes back, else
// the entry goes.
class UninstallEntryChange final : public MachineChange
{
public:
    UninstallEntryChange(const wchar_t* serviceName, const wchar_t* folder, DWORD estimatedKiB);
    bool Apply() override;
    bool Undo() override;
    bool Preview(ChangePreview& preview) override;
    const wchar_t* Kind() const override { return L"entry among the installed programs"; }

private:
    wchar_t name_[64];
    wchar_t folder_[MAX_PATH];
    DWORD kib_;
    SavedUninstallEntry before_;
    bool saved_ = false;
};

// CreateProgramShortcuts; the program's links in the Start-menu group go again, and the
// group when nothing else is in it. A cancel ends Apply with ERROR_CANCELLED.
class ShortcutsChange final : public MachineChange
{
public:
    ShortcutsChange(const wchar_t* folder, const wchar_t* address, CancelCheck cancelled, void* context);
    bool Apply() override;
    bool Undo() override;
    bool Preview(ChangePreview& preview) override;
    void Remember(RememberedInstallation& memory) const override;
    const wchar_t* Kind() const override { return L"Start-menu links"; }

private:
    wchar_t folder_[MAX_PATH];
    const wchar_t* address_;  // used by Apply only
    CancelCheck cancelled_;
    void* context_;
};
