#include "wizard/browser_recorder.h"

#include <vector>

#include "wizard/wizard_driver.h"

namespace {

std::wstring ModuleFolder()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L"\\/"));
}
} // namespace

BrowserRecorder::BrowserRecorder(const wchar_t* scheme)
    : commandKey_(std::wstring(scheme) + L"\\shell\\open\\command")
{
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    output_ = std::wstring(temp) + L"velmora-url-" + std::to_wstring(GetCurrentProcessId()) + L".txt";
    DeleteFileW(output_.c_str());

    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, commandKey_.c_str(), 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    DWORD size = 0;
    if (RegQueryValueExW(key, nullptr, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS) {
        std::vector<wchar_t> old(size / sizeof(wchar_t) + 1, L'\0');
        RegQueryValueExW(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(old.data()), &size);
        previous_ = old.data();
        hadCommand_ = true;
    }
    std::wstring command = L"\"" + ModuleFolder() + L"\\url_recorder.exe\" \"" + output_ + L"\" \"%1\"";
    ready_ = RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                            static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    RegCloseKey(key);
}

BrowserRecorder::~BrowserRecorder()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, commandKey_.c_str(), 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        if (hadCommand_)
            RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(previous_.c_str()),
                           static_cast<DWORD>((previous_.size() + 1) * sizeof(wchar_t)));
        else
            RegDeleteValueW(key, nullptr);
        RegCloseKey(key);
    }
    DeleteFileW(output_.c_str());
}

std::wstring BrowserRecorder::WaitForAddress(DWORD timeoutMs) const
{
    std::wstring address;
    WaitUntil([&] {
        HANDLE in = CreateFileW(output_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (in == INVALID_HANDLE_VALUE)
            return false;
        wchar_t text[512] = {};
        DWORD got = 0;
        ReadFile(in, text, sizeof(text) - sizeof(wchar_t), &got, nullptr);
        CloseHandle(in);
        address = text;
        return !address.empty();
    }, timeoutMs);
    return address;
}
