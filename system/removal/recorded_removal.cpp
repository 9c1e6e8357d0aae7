// An installation's files removed by its record: what the setup made goes, nothing else.
#include "system/removal/installation_removal.h"

#include "base/installation_names.h"
#include "base/link_check.h"
#include "base/path_join.h"
#include "base/setup_log.h"
#include "formats/installation_record/installation_record.h"

namespace {

// Notes the first failure; what is already gone is no failure.
class FailureNote
{
public:
    void Note(bool done)
    {
        const DWORD error = GetLastError();
        if (!done && error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND && failure_ == ERROR_SUCCESS)
            failure_ = error;
    }
    bool Result() const
    {
        SetLastError(failure_);
        return failure_ == ERROR_SUCCESS;
    }

private:
    DWORD failure_ = ERROR_SUCCESS;
};

void RemoveEntry(const wchar_t* folder, RecordedKind kind, const wchar_t* name, FailureNote& note)
{
    wchar_t path[MAX_PATH];
    if (CrossesLink(folder, name) || !JoinPath(path, folder, name))
        return;
    switch (kind) {
    case RecordedKind::kFile:
        SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
        note.Note(DeleteFileW(path) != FALSE);
        break;
    case RecordedKind::kTree:
        note.Note(DeleteFolderTree(path));
        break;
    case RecordedKind::kFolder:
        // A folder that still holds what somebody else put there stays.
        if (!RemoveDirectoryW(path) && GetLastError() != ERROR_DIR_NOT_EMPTY)
            note.Note(false);
        break;
    }
}

// What the payload tree (server/CMakeLists.txt) and every run put into a folder, for an
// installation whose record cannot be read: folders last, each only when empty.
struct KnownName
{
    RecordedKind kind;
    const wchar_t* name;
};
const KnownName kKnownNames[] = {
    {RecordedKind::kFile, kServerProgramName},
    {RecordedKind::kFile, kUninstallerName},
    {RecordedKind::kFile, L"links\\brindleway.url"},
    {RecordedKind::kFile, L"config\\BrindlewayRootCA.cer"},
    {RecordedKind::kFile, kConfigurationFileName},
    {RecordedKind::kFile, kStartFileName},
    {RecordedKind::kTree, kBackupsFolderName},
    {RecordedKind::kFolder, L"links"},
    {RecordedKind::kFolder, L"config"},
};

} // namespace

bool RemoveRecordedInstallation(const wchar_t* folder)
{
    FailureNote note;
    InstallationRecord record;
    if (record.Load(folder)) {
        if (record.PassedOver() > 0)
            g_setupLog.Line(L"%s of \"%s\": %lu entries name no file of the folder as written; passed over, nothing "
                            L"of theirs is removed",
                            kInstallationRecordName, folder, static_cast<unsigned long>(record.PassedOver()));
        for (size_t i = 0; i < record.Count(); ++i)
            if (record.Kind(i) == RecordedKind::kFile)
                RemoveEntry(folder, RecordedKind::kFile, record.Path(i), note);
        // Deepest first.
        for (size_t i = record.Count(); i-- > 0;)
            if (record.Kind(i) != RecordedKind::kFile)
                RemoveEntry(folder, record.Kind(i), record.Path(i), note);
    } else {
        for (const KnownName& known : kKnownNames)
            RemoveEntry(folder, known.kind, known.name, note);
    }
    RemoveEntry(folder, RecordedKind::kFile, kInstallationRecordName, note);
    return note.Result();
}
