#pragma once
#include <gtest/gtest.h>
#include <windows.h>
#include <string.h>

#include <initializer_list>
#include <string>

#include "support/at_scope_exit.h"

// Runs one of the host's own programs: this Wine cannot make or remove links by Windows
// calls, but starts the host's programs like its own and shows the host's links as
// reparse points. Paths are given in Windows form.
inline void RunHost(const wchar_t* program, const std::wstring& options, std::initializer_list<std::wstring> paths)
{
    typedef char*(CDECL * UnixNameCall)(const wchar_t*);
    auto unixName = reinterpret_cast<UnixNameCall>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    ASSERT_NE(nullptr, unixName);
    std::wstring commandLine = std::wstring(program) + L" " + options;
    for (const std::wstring& path : paths) {
        char* name = unixName(path.c_str());
        ASSERT_NE(nullptr, name);
        commandLine += L" \"" + std::wstring(name, name + strlen(name)) + L"\"";
        HeapFree(GetProcessHeap(), 0, name);
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessW((std::wstring(L"Z:\\bin\\") + program).c_str(), &commandLine[0], nullptr, nullptr,
                               FALSE, 0, nullptr, nullptr, &startup, &process));
    WaitForSingleObject(process.hProcess, 5000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

inline bool IsLink(const std::wstring& path)
{
    DWORD attributes = INVALID_FILE_ATTRIBUTES;
    for (int i = 0; i < 100 && (attributes = GetFileAttributesW(path.c_str())) == INVALID_FILE_ATTRIBUTES; ++i)
        Sleep(50);  // the host's program may not have ended when the wait gave up
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

