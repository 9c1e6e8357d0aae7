#include "engine/changes/folder_changes.h"

#include "base/bounded_text.h"
#include "base/path_join.h"
#include "base/protected_folder.h"
#include "formats/installation_record/installation_record.h"
#include "system/removal/installation_removal.h"

namespace {

// The topmost folder of `folder` that does not exist ("C:\a" for "C:\a\b\c" when only
// "C:\" does), as CreateProtectedFolder finds the folders to make. "" when `folder` exists.
void TopmostMissingFolder(const wchar_t* folder, wchar_t (&top)[MAX_PATH])
{
    size_t length = CopyText(top, folder);
    while (length > 3 && top[length - 1] == L'\\')
        top[--length] = 0;
    if (GetFileAttributesW(top) != INVALID_FILE_ATTRIBUTES) {
        top[0] = 0;
        return;
    }
    // Each round cuts the last name while the folder above is missing too.
    for (size_t i = length; i-- > 2;) {
        if (top[i] != L'\\')
            continue;
        top[i] = 0;
        const bool above = GetFileAttributesW(top) != INVALID_FILE_ATTRIBUTES || (i == 2 && top[1] == L':');
        if (above) {
            top[i] = L'\\';
            return;
        }
    }
}

} // namespace

MadeFolderChange::MadeFolderChange(const wchar_t* folder)
{
    CopyText(folder_, folder);
}

bool MadeFolderChange::Apply()
{
    if (!FitsInto(folder_, MAX_PATH - 1)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    TopmostMissingFolder(folder_, top_);
    if (!CreateProtectedFolder(folder_)) {
        const DWORD error = GetLastError();
        // Whatever of the chain was made before the failure goes again.
        if (top_[0])
            DeleteFolderTree(top_);
        SetLastError(error);
        return false;
    }
    return true;
}

bool MadeFolderChange::Preview(ChangePreview& preview)
{
    if (!FitsInto(folder_, MAX_PATH - 1)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    wchar_t top[MAX_PATH];
    TopmostMissingFolder(folder_, top);
    if (top[0])
        preview.Say(Kind(), L"would make %s, only administrators and the system may change it; finds it missing "
                            L"from %s on", folder_, top);
    return true;
}

bool MadeFolderChange::Undo()
{
    return !top_[0] || DeleteFolderTree(top_);
}

void MadeFolderChange::Remember(RememberedInstallation& memory) const
{
    if (!top_[0])
        return;
    memory.folder = Provenance::kMade;
    CopyText(memory.topmost_made_folder, top_);
}

FolderRightsChange::FolderRightsChange(const wchar_t* folder, bool foreign, TreeRightsResult& result)
    : foreign_(foreign), result_(result)
{
    CopyText(folder_, folder);
}

bool FolderRightsChange::Apply()
{
    result_ = TreeRightsResult();
    if (foreign_ && !before_.Save(folder_)) {
        result_.error = GetLastError();
        result_.path = folder_;
        SetLastError(result_.error);
        return false;
    }
    result_ = ProtectAdoptedFolder(folder_);
    if (result_.error == ERROR_SUCCESS)
        return true;
    // A walk that stopped half-way has changed the folder already.
    Undo();
    SetLastError(result_.error);
    return false;
}

bool FolderRightsChange::Preview(ChangePreview& preview)
{
    preview.Say(Kind(), foreign_ ? L"would give %s and all it holds to the administrators, only they and the system "
                                   L"may change it; finds a folder the setup did not make, whose rights it would keep to "
                                   L"put back"
                                 : L"would give %s and all it holds to the administrators, only they and the system "
                                   L"may change it; finds the server's earlier installation",
                folder_);
    return true;
}

bool FolderRightsChange::Undo()
{
    // The run's own earlier installation keeps its new rights.
    return !foreign_ || before_.Restore();
}

RecordedFilesChange::RecordedFilesChange(const wchar_t* folder)
{
    CopyText(folder_, folder);
}

bool RecordedFilesChange::Preview(ChangePreview& preview)
{
    preview.Say(Kind(), L"would list every file and folder it writes in %s\\%s, which says what is the installation's",
                folder_, kInstallationRecordName);
    return true;
}

bool RecordedFilesChange::Undo()
{
    wchar_t record[MAX_PATH];
    if (!JoinPath(record, folder_, kInstallationRecordName) || GetFileAttributesW(record) == INVALID_FILE_ATTRIBUTES)
        return true;
    return RemoveRecordedInstallation(folder_);
}
