#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

#include "support/message_box_watcher.h"

// How one run of uninstall.exe went.
struct UninstallRun
{
    int exitCode = -1;  // -1 when it could not be started or did not end within a minute
    DWORD processId = 0;
    std::vector<SeenMessageBox> boxes;
};

// Starts the uninstaller at `path` with `arguments`, answers its Yes/No question with
// `answer` (any other box with its default) and waits for it to end. `whileSuspended`, when
// given, runs with the process id before the process's first instruction.
UninstallRun RunUninstaller(const std::wstring& path, int answer, const std::wstring& arguments = L"",
                            const std::function<void(DWORD)>& whileSuspended = nullptr);

// Where the uninstaller started as `originalProcessId` puts the copy that finishes its work.
std::wstring CopyLeftInTemp(DWORD originalProcessId);
// Deletes that copy once it has ended; true when it is gone.
bool DeleteCopyLeftInTemp(DWORD originalProcessId);

// Waits until `path` is gone (the copy removes the folder after the uninstaller ended).
bool WaitUntilGone(const std::wstring& path, DWORD timeoutMs);
