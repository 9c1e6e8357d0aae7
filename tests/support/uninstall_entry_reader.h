#pragma once
#include <windows.h>
#include <string>

#include "base/scoped_handle.h"
#include "system/uninstall/remembered_installation_store.h"

// Reads a server's entry in the list of installed programs from the registry, where the
// system's list and deployment tools find it; the key path is spelled out here on purpose.
class UninstallEntryReader
{
public:
    // `view`: a registry view to read (KEY_WOW64_32KEY, KEY_WOW64_64KEY), else this program's.
    explicit UninstallEntryReader(const std::wstring& serviceName, REGSAM view = 0)
        : path_(L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VelmoraServer_" + serviceName),
          view_(view)
    {
    }

    bool Exists() const { return Open(KEY_QUERY_VALUE).IsValid(); }

    // The REG_SZ value `name`; empty when the entry or the value is missing or of another type.
    std::wstring Text(const wchar_t* name) const
    {
        wchar_t text[1024] = {};
        return Query(name, REG_SZ, text, sizeof(text) - sizeof(wchar_t)) ? text : L"";
    }

    // The REG_DWORD value `name`, or `missing`.
    DWORD Number(const wchar_t* name, DWORD missing = 0xFFFFFFFF) const
    {
        DWORD value = 0;
        return Query(name, REG_DWORD, &value, sizeof(value)) ? value : missing;
    }

    bool SetText(const wchar_t* name, const std::wstring& text) const
    {
        UniqueRegKey key = Open(KEY_SET_VALUE);
        return key && RegSetValueExW(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                     static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    }

    // Cleanup of a test: the entry goes with what the installation remembered in it,
    // whatever the program under test did.
    void Delete() const
    {
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, (path_ + L"\\" + kRememberedInstallationKeyName).c_str());
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, path_.c_str());
    }

private:
    bool Query(const wchar_t* name, DWORD wantedType, void* data, DWORD bytes) const
    {
        UniqueRegKey key = Open(KEY_QUERY_VALUE);
        DWORD type = 0;
        return key && RegQueryValueExW(key.Get(), name, nullptr, &type, static_cast<BYTE*>(data), &bytes) ==
                          ERROR_SUCCESS && type == wantedType;
    }
    UniqueRegKey Open(REGSAM access) const
    {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path_.c_str(), 0, access | view_, &key) != ERROR_SUCCESS)
            key = nullptr;
        return UniqueRegKey(key);
    }

    std::wstring path_;
    REGSAM view_;
};
