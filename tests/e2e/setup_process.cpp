#include "setup_process.h"

#include <prsht.h>

#include "base/scoped_handle.h"
#include "setup_path.h"

namespace {

std::wstring AppDefaultsKey(const std::wstring& exeName)
{
    return L"Software\\Wine\\AppDefaults\\" + exeName;
}

} // namespace

SetupCopy::SetupCopy() : folder_(L"e2e")
{
    // The folder's unique name makes the program's name unique too.
    const std::wstring& folder = folder_.Path();
    exeName_ = folder.substr(folder.find_last_of(L'\\') + 1) + L".exe";
    std::wstring path = folder_.File(exeName_.c_str());
    if (CopyFileW(VELMORA_SETUP_EXE, path.c_str(), TRUE))
        exePath_ = path;
}

SetupCopy::~SetupCopy()
{
    if (versionSet_)
        RegDeleteKeyW(HKEY_CURRENT_USER, AppDefaultsKey(exeName_).c_str());
}

bool SetupCopy::SetWindowsVersion(const wchar_t* version)
{
    HKEY raw = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, AppDefaultsKey(exeName_).c_str(), 0, nullptr, 0,
                        KEY_SET_VALUE, nullptr, &raw, nullptr) != ERROR_SUCCESS)
        return false;
    UniqueRegKey key(raw);
    versionSet_ = true;
    DWORD bytes = static_cast<DWORD>((wcslen(version) + 1) * sizeof(wchar_t));
    return RegSetValueExW(key.Get(), L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                          bytes) == ERROR_SUCCESS;
}

bool SetupCopy::Start(Run* run, const Driver& drive, const MessageBoxWatcher::Answer& answer, DWORD timeoutMs)
{
    std::wstring commandLine = L"\"" + exePath_ + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(exePath_.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        folder_.Path().c_str(), &startup, &process))
        return false;
    UniqueHandle processHandle(process.hProcess);
    UniqueHandle threadHandle(process.hThread);

    bool ended;
    {
        MessageBoxWatcher watcher(answer, process.dwProcessId);
        if (drive)
            drive(process.dwProcessId);
        ended = WaitForSingleObject(processHandle.Get(), timeoutMs) == WAIT_OBJECT_0;
        run->boxes = watcher.Seen();
    }
    if (!ended) {
        TerminateProcess(processHandle.Get(), 1);
        WaitForSingleObject(processHandle.Get(), 10000);
        return false;
    }
    return GetExitCodeProcess(processHandle.Get(), &run->exitCode) != FALSE;
}
