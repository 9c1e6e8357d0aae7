#include "server/folder_removal.h"

#include <windows.h>
#include <objbase.h>
#include <sddl.h>
#include <wchar.h>

#include "base/bounded_text.h"
#include "base/installation_names.h"
#include "base/scoped_handle.h"
#include "base/whole_format.h"
#include "server/uninstall_messages.h"
#include "system/removal/installation_removal.h"
#include "system/uninstall/uninstall_entry.h"

namespace {

// The original has nothing left to do but return; anything longer is a hung process.
const DWORD kOriginalExitWaitMs = 60 * 1000;
// The stopped server's process may take a moment to let go of its files.
const int kDeleteAttempts = 20;
const DWORD kDeleteRetryMs = 500;
// The start of the name of the folder that holds the copy.
const wchar_t kCopyFolderPrefix[] = L"velmora-uninstall-";

bool ParseHandle(const wchar_t* text, HANDLE* handle)
{
    if (text == nullptr || text[0] == 0)
        return false;
    ULONG value = 0;
    for (const wchar_t* c = text; *c; ++c) {
        if (*c < L'0' || *c > L'9' || value > (0xFFFFFFFFul - 9) / 10)
            return false;
        value = value * 10 + static_cast<ULONG>(*c - L'0');
    }
    *handle = ULongToHandle(value);
    return true;
}

bool HoldsUninstaller(const wchar_t* folder)
{
    wchar_t path[MAX_PATH];
    if (!FormatWhole(path, MAX_PATH, L"%s\\%s", folder, kUninstallerName))
        return false;
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Creates a new folder under `temp` with a name nobody can know in advance, which only
// SYSTEM and the administrators can write: run as SYSTEM, the temporary folder is the
// system's, where every user may create files and folders, such as one of the name that
// the copy is about to take. Fails when the name exists, rather than using what is there.
bool CreatePrivateFolder(const wchar_t* temp, wchar_t* folder, size_t capacity)
{
    GUID unique;
    wchar_t name[40];
    if (FAILED(CoCreateGuid(&unique)) || StringFromGUID2(unique, name, 40) == 0)
        return false;
    if (!FormatWhole(folder, capacity, L"%s%s%s", temp, kCopyFolderPrefix, name))
        return false;
    // Protected: nothing is inherited from the temporary folder's own entries.
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)",
                                                              SDDL_REVISION_1, &descriptor, nullptr))
        return false;
    UniqueLocalMemory descriptorHolder(descriptor);
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), descriptor, FALSE};
    return CreateDirectoryW(folder, &attributes) != FALSE;
}

// Undoes CreatePrivateFolder and what was copied into it, keeping the reason for the failure.
void RemovePrivateFolder(const wchar_t* folder, const wchar_t* copy)
{
    DWORD error = GetLastError();
    DeleteFileW(copy);
    RemoveDirectoryW(folder);
    SetLastError(error);
}

}  // namespace

bool HandOffFolderRemoval(const wchar_t* folder, bool quiet)
{
    wchar_t self[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    if (length == 0 || length >= MAX_PATH - 1)
        return false;
    wchar_t temp[MAX_PATH];
    length = GetTempPathW(MAX_PATH, temp);
    if (length == 0 || length >= MAX_PATH)
        return false;
    wchar_t privateFolder[MAX_PATH];
    if (!CreatePrivateFolder(temp, privateFolder, MAX_PATH))
        return false;
    wchar_t copy[MAX_PATH];
    if (!FormatWhole(copy, MAX_PATH, L"%s\\%s", privateFolder, kUninstallerName) || !CopyFileW(self, copy, TRUE)) {
        RemovePrivateFolder(privateFolder, copy);
        return false;
    }

    HANDLE original = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &original,
                         SYNCHRONIZE, TRUE, 0)) {
        RemovePrivateFolder(privateFolder, copy);
        return false;
    }
    UniqueHandle originalHolder(original);
    wchar_t commandLine[3 * MAX_PATH];
    if (!FormatWhole(commandLine, 3 * MAX_PATH, L"\"%s\" %s %lu \"%s\"%s%s", copy, kFinishSwitch,
                     HandleToULong(original), folder, quiet ? L" " : L"", quiet ? kQuietUninstallSwitch : L"")) {
        RemovePrivateFolder(privateFolder, copy);
        return false;
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    // The copy must not keep the installation folder busy as its working directory.
    if (!CreateProcessW(copy, commandLine, nullptr, nullptr, TRUE, 0, nullptr, privateFolder, &startup,
                        &process)) {
        RemovePrivateFolder(privateFolder, copy);
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

int FinishFolderRemoval(const wchar_t* processHandleText, const wchar_t* folder)
{
    HANDLE original = nullptr;
    if (!ParseHandle(processHandleText, &original) || folder == nullptr || !HoldsUninstaller(folder))
        return ERROR_INVALID_PARAMETER;
    UniqueHandle originalHolder(original);
    WaitForSingleObject(original, kOriginalExitWaitMs);

    bool removed = false;
    for (int attempt = 0; attempt < kDeleteAttempts && !removed; ++attempt) {
        if (attempt > 0)
            Sleep(kDeleteRetryMs);
        removed = RemoveRecordedInstallation(folder);
    }
    DWORD error = removed ? NO_ERROR : GetLastError();

    // This copy cannot delete itself while it runs; the system does it at the next start,
    // and then the copy's own folder, which is empty by then (no other folder is touched).
    wchar_t self[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    if (length > 0 && length < MAX_PATH - 1) {
        MoveFileExW(self, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
        wchar_t* separator = wcsrchr(self, L'\\');
        if (separator != nullptr)
            *separator = 0;
        const wchar_t* parent = wcsrchr(self, L'\\');
        if (parent != nullptr && wcsncmp(parent + 1, kCopyFolderPrefix, wcslen(kCopyFolderPrefix)) == 0)
            MoveFileExW(self, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    }

    if (!removed) {
        wchar_t what[512];
        FormatText(what, L"The folder \"%s\" could not be removed completely. Delete what is left by hand.",
                   folder);
        ShowUninstallError(what, error);
        return static_cast<int>(error);
    }
    return 0;
}
