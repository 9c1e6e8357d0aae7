#include "server/uninstaller_run.h"

#include "base/scoped_handle.h"

UninstallRun RunUninstaller(const std::wstring& path, int answer, const std::wstring& arguments,
                            const std::function<void(DWORD)>& whileSuspended)
{
    UninstallRun run;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    std::wstring commandLine = L"\"" + path + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr,
                        &startup, &process))
        return run;
    UniqueHandle processHolder(process.hProcess), thread(process.hThread);
    run.processId = process.dwProcessId;
    if (whileSuspended)
        whileSuspended(process.dwProcessId);
    {
        MessageBoxWatcher watcher(
            [answer](const SeenMessageBox& box) {
                return box.hasButton[IDYES] ? answer : MessageBoxWatcher::DefaultAnswer(box);
            },
            process.dwProcessId);
        ResumeThread(process.hThread);
        if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) {
            TerminateProcess(process.hProcess, 99);
            return run;
        }
        run.boxes = watcher.Seen();
    }
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    run.exitCode = static_cast<int>(exitCode);
    return run;
}

std::wstring CopyLeftInTemp(DWORD originalProcessId)
{
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + L"velmora-uninstall-" + std::to_wstring(originalProcessId) + L".exe";
}

bool DeleteCopyLeftInTemp(DWORD originalProcessId)
{
    // The copy is left for the next restart to delete; it may still be ending.
    std::wstring copy = CopyLeftInTemp(originalProcessId);
    for (int attempt = 0; attempt < 50 && GetFileAttributesW(copy.c_str()) != INVALID_FILE_ATTRIBUTES &&
                          !DeleteFileW(copy.c_str());
         ++attempt)
        Sleep(100);
    return GetFileAttributesW(copy.c_str()) == INVALID_FILE_ATTRIBUTES;
}

bool WaitUntilGone(const std::wstring& path, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(100);
    }
    return true;
}
