#pragma once
#include <windows.h>

#include "engine/changes/machine_change.h"
#include "engine/installation_rights.h"

// The installation's folder: made by the run, or adopted with new rights, and the files
// the run wrote into it by their record.

// CreateProtectedFolder; the topmost folder that it made goes again with all it holds.
class MadeFolderChange final : public MachineChange
{
public:
    explicit MadeFolderChange(const wchar_t* folder);
    bool Apply() override;
    bool Undo() override;
    bool Preview(ChangePreview& preview) override;
    void Remember(RememberedInstallation& memory) const override;
    const wchar_t* Kind() const override { return L"folder"; }

private:
    wchar_t folder_[MAX_PATH];
    wchar_t top_[MAX_PATH] = {};  // "" when every folder was there
};

// ProtectAdoptedFolder; a folder that held no installation (`foreign`) gets its owner and
// rights back, also after a walk that stopped half-way. `result` tells how the walk ended.
class FolderRightsChange final : public MachineChange
{
public:
    FolderRightsChange(const wchar_t* folder, bool foreign, TreeRightsResult& result);
    bool Apply() override;
    bool Undo() override;
    bool Preview(ChangePreview& preview) override;
    const wchar_t* Kind() const override { return L"folder's rights"; }

private:
    wchar_t folder_[MAX_PATH];
    bool foreign_;
    TreeRightsResult& result_;
    SavedFolderRights before_;
};

// The files the run writes into the folder, each entered on the installation's record as it
// is written: a failed run removes what the record names (RemoveRecordedInstallation). The
// record must be there by the time it is undone; without it the removal would take the
// whole folder, which may hold what was there before: then nothing goes.
class RecordedFilesChange final : public MachineChange
{
public:
    explicit RecordedFilesChange(const wchar_t* folder);
    bool Apply() override { return true; }
    bool Undo() override;
    bool Preview(ChangePreview& preview) override;
    const wchar_t* Kind() const override { return L"installed files"; }

private:
    wchar_t folder_[MAX_PATH];
};
