#include "server/folder_removal.h"

#include <windows.h>

#include "base/bounded_text.h"
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
    if (!FormatWhole(path, MAX_PATH, L"%s\\uninstall.exe", folder))
        return false;
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
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
    wchar_t copy[MAX_PATH];
    if (!FormatWhole(copy, MAX_PATH, L"%svelmora-uninstall-%lu.exe", temp, GetCurrentProcessId()))
        return false;
    if (!CopyFileW(self, copy, FALSE))
        return false;

    HANDLE original = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &original,
                         SYNCHRONIZE, TRUE, 0)) {
        DeleteFileW(copy);
        return false;
    }
    UniqueHandle originalHolder(original);
    wchar_t commandLine[3 * MAX_PATH];
    if (!FormatWhole(commandLine, 3 * MAX_PATH, L"\"%s\" %s %lu \"%s\"%s%s", copy, kFinishSwitch,
                     HandleToULong(original), folder, quiet ? L" " : L"", quiet ? kQuietUninstallSwitch : L"")) {
        DeleteFileW(copy);
        return false;
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    // The copy must not keep the folder busy as its working directory.
    if (!CreateProcessW(copy, commandLine, nullptr, nullptr, TRUE, 0, nullptr, temp, &startup, &process)) {
        DWORD error = GetLastError();
        DeleteFileW(copy);
        SetLastError(error);
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

    // This copy cannot delete itself while it runs; the system does it at the next start.
    wchar_t self[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    if (length > 0 && length < MAX_PATH - 1)
        MoveFileExW(self, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);

    if (!removed) {
        wchar_t what[512];
        FormatText(what, L"The folder \"%s\" could not be removed completely. Delete what is left by hand.",
                   folder);
        ShowUninstallError(what, error);
        return static_cast<int>(error);
    }
    return 0;
}
