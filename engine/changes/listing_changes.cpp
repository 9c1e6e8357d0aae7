#include "engine/changes/listing_changes.h"

#include "base/bounded_text.h"
#include "base/installation_names.h"
#include "engine/program_shortcuts.h"
#include "system/removal/installation_removal.h"
#include "system/uninstall/uninstall_entry.h"

UninstallEntryChange::UninstallEntryChange(const wchar_t* serviceName, const wchar_t* folder, DWORD estimatedKiB)
    : kib_(estimatedKiB)
{
    CopyText(name_, serviceName);
    CopyText(folder_, folder);
}

bool UninstallEntryChange::Apply()
{
    saved_ = before_.Save(name_);
    if (WriteUninstallEntry(name_, folder_, kib_))
        return true;
    // Even a write that failed half-way may have left a part of the entry.
    const DWORD error = GetLastError();
    Undo();
    SetLastError(error);
    return false;
}

bool UninstallEntryChange::Preview(ChangePreview& preview)
{
    SavedUninstallEntry there;
    if (!there.Save(name_))
        return false;
    preview.Say(Kind(), there.Found() ? L"would write the entry \"%s\" for %s; finds one of that name, which it would replace"
                                      : L"would write the entry \"%s\" for %s; finds none of that name",
                name_, folder_);
    return true;
}

bool UninstallEntryChange::Undo()
{
    // Without the entry as it was, the installation's own entries go by their folder.
    return (saved_ && before_.PutBack()) || RemoveUninstallEntriesOfFolder(folder_);
}

ShortcutsChange::ShortcutsChange(const wchar_t* folder, const wchar_t* address, CancelCheck cancelled,
                                 void* context)
    : address_(address), cancelled_(cancelled), context_(context)
{
    CopyText(folder_, folder);
}

bool ShortcutsChange::Apply()
{
    const ProgramShortcutsResult result = CreateProgramShortcuts(folder_, address_, cancelled_, context_);
    address_ = nullptr;
    if (result == ProgramShortcutsResult::Created)
        return true;
    const DWORD error = result == ProgramShortcutsResult::Cancelled ? static_cast<DWORD>(ERROR_CANCELLED)
                                                                     : GetLastError();
    // Whatever came of it, the links made so far go again.
    Undo();
    SetLastError(error);
    return false;
}

bool ShortcutsChange::Preview(ChangePreview& preview)
{
    preview.Say(Kind(), L"would make the all-users group \"%s\" with links to %s and to the server's tools",
                kProgramGroupName, address_);
    address_ = nullptr;
    return true;
}

bool ShortcutsChange::Undo()
{
    return RemoveProgramShortcuts(kProgramGroupName, folder_);
}

void ShortcutsChange::Remember(RememberedInstallation& memory) const
{
    memory.shortcuts = Provenance::kMade;
}
