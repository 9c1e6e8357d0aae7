#include "system/uninstall/uninstall_entry_list.h"

#include "base/scoped_handle.h"
#include "system/uninstall/uninstall_entry.h"

namespace {

const size_t kKeyNameCapacity = 256;

bool IsOurKey(const wchar_t* keyName, DWORD length)
{
    const int prefixLength = lstrlenW(kUninstallKeyPrefix);
    return static_cast<int>(length) > prefixLength &&
           CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, keyName, prefixLength, kUninstallKeyPrefix,
                          prefixLength) == CSTR_EQUAL;
}

std::wstring ReadLocation(HKEY root, const wchar_t* keyName)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, keyName, 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS)
        return std::wstring();
    UniqueRegKey entry(opened);
    wchar_t folder[MAX_PATH + 1] = {};
    DWORD type = 0;
    // One character kept back: a value stored without its terminator still ends.
    DWORD bytes = MAX_PATH * sizeof(wchar_t);
    if (RegQueryValueExW(entry.Get(), L"InstallLocation", nullptr, &type, reinterpret_cast<BYTE*>(folder), &bytes) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::wstring();
    return folder;
}

// LONG: the view's result; ERROR_FILE_NOT_FOUND is a view without entries.
LONG ReadView(REGSAM view, std::vector<ListedInstallation>& entries)
{
    HKEY opened = nullptr;
    LONG result = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallRoot, 0, KEY_READ | view, &opened);
    if (result != ERROR_SUCCESS)
        return result;
    UniqueRegKey root(opened);
    for (DWORD index = 0;; ++index) {
        wchar_t keyName[kKeyNameCapacity];
        DWORD length = kKeyNameCapacity;
        result = RegEnumKeyExW(root.Get(), index, keyName, &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS)
            return ERROR_SUCCESS;
        if (result != ERROR_SUCCESS || !IsOurKey(keyName, length))
            continue;
        std::wstring location = ReadLocation(root.Get(), keyName);
        if (location.empty())
            continue;
        std::wstring service = keyName + lstrlenW(kUninstallKeyPrefix);
        bool seen = false;
        for (const ListedInstallation& each : entries)
            seen = seen || (each.service == service && each.location == location);
        if (!seen)
            entries.push_back({service, location});
    }
}

} // namespace

bool ListUninstallEntries(std::vector<ListedInstallation>& entries)
{
    entries.clear();
    LONG wide = ReadView(KEY_WOW64_64KEY, entries);
    LONG narrow = ReadView(KEY_WOW64_32KEY, entries);
    const bool read = wide == ERROR_SUCCESS || wide == ERROR_FILE_NOT_FOUND || narrow == ERROR_SUCCESS ||
                      narrow == ERROR_FILE_NOT_FOUND;
    if (!read)
        SetLastError(static_cast<DWORD>(wide));
    return read;
}
