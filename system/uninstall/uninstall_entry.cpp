#include "system/uninstall/uninstall_entry.h"

#include "base/bounded_text.h"
#include "base/installation_names.h"
#include "base/scoped_handle.h"
#include "base/server_version.h"
#include "base/whole_format.h"
#include "base/same_folder.h"
#include "base/wow64.h"
#include "system/uninstall/remembered_installation_store.h"

namespace {

const wchar_t kPublisher[] = L"Brindleway Software Corp.";
const wchar_t kDisplayVersion[] = L"" VELMORA_VERSION_TEXT;
// Key names in the registry are at most 255 characters long.
const size_t kKeyNameCapacity = 256;

bool Fail(LONG result)
{
    SetLastError(static_cast<DWORD>(result));
    return false;
}

LONG SetText(HKEY key, const wchar_t* name, const wchar_t* text)
{
    DWORD bytes = static_cast<DWORD>((lstrlenW(text) + 1) * sizeof(wchar_t));
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), bytes);
}

LONG SetNumber(HKEY key, const wchar_t* name, DWORD value)
{
    return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

// The installation folder that the entry `keyName` names; false when it names none.
bool ReadInstallLocation(HKEY parent, const wchar_t* keyName, wchar_t* folder, DWORD capacity)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExW(parent, keyName, 0, KEY_QUERY_VALUE | kSharedRegistryView, &opened) != ERROR_SUCCESS)
        return false;
    UniqueRegKey entry(opened);
    DWORD type = 0;
    // One character is kept back so that a value stored without its terminator still ends.
    DWORD bytes = (capacity - 1) * sizeof(wchar_t);
    ZeroMemory(folder, capacity * sizeof(wchar_t));
    if (RegQueryValueExW(entry.Get(), L"InstallLocation", nullptr, &type, reinterpret_cast<BYTE*>(folder),
                         &bytes) != ERROR_SUCCESS)
        return false;
    return (type == REG_SZ || type == REG_EXPAND_SZ) && folder[0] != 0;
}

}  // namespace

bool UninstallEntryKeyName(const wchar_t* serviceName, wchar_t* keyName, size_t capacity)
{
    if (serviceName == nullptr || serviceName[0] == 0 || keyName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    return FormatWhole(keyName, capacity, L"%s%s", kUninstallKeyPrefix, serviceName);
}

bool WriteUninstallEntry(const wchar_t* serviceName, const wchar_t* folder, DWORD estimatedKiB)
{
    if (folder == nullptr || folder[0] == 0)
        return Fail(ERROR_INVALID_PARAMETER);
    wchar_t keyName[kKeyNameCapacity];
    if (!UninstallEntryKeyName(serviceName, keyName, kKeyNameCapacity))
        return false;
    wchar_t keyPath[400];
    wchar_t displayName[128];
    wchar_t icon[MAX_PATH];
    wchar_t uninstall[MAX_PATH + 8];
    wchar_t quietUninstall[MAX_PATH + 16];
    // A cut path would point at some other program: better no entry than a wrong one.
    if (!FormatWhole(keyPath, 400, L"%s\\%s", kUninstallRoot, keyName) ||
        !FormatWhole(displayName, 128, L"Velmora Server (%s)", serviceName) ||
        !FormatWhole(icon, MAX_PATH, L"%s\\%s", folder, kServerProgramName) ||
        !FormatWhole(uninstall, MAX_PATH + 8, L"\"%s\\%s\"", folder, kUninstallerName) ||
        !FormatWhole(quietUninstall, MAX_PATH + 16, L"%s %s", uninstall, kQuietUninstallSwitch))
        return false;

    HKEY created = nullptr;
    LONG result = RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_SET_VALUE | kSharedRegistryView, nullptr, &created, nullptr);
    if (result != ERROR_SUCCESS)
        return Fail(result);
    UniqueRegKey entry(created);
    HKEY key = entry.Get();
    const LONG results[] = {
        SetText(key, L"DisplayName", displayName),
        SetText(key, L"DisplayVersion", kDisplayVersion),
        SetText(key, L"Publisher", kPublisher),
        SetText(key, L"InstallLocation", folder),
        SetText(key, L"DisplayIcon", icon),
        SetText(key, L"UninstallString", uninstall),
        SetText(key, L"QuietUninstallString", quietUninstall),
        // The setup has no change or repair mode; running it again upgrades.
        SetNumber(key, L"NoModify", 1),
        SetNumber(key, L"NoRepair", 1),
        SetNumber(key, L"EstimatedSize", estimatedKiB),
    };
    for (LONG each : results)
        if (each != ERROR_SUCCESS)
            return Fail(each);
    return true;
}

bool RemoveUninstallEntriesOfFolder(const wchar_t* folder)
{
    if (folder == nullptr || folder[0] == 0)
        return Fail(ERROR_INVALID_PARAMETER);
    HKEY opened = nullptr;
    LONG result = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallRoot, 0, KEY_READ | kSharedRegistryView, &opened);
    if (result == ERROR_FILE_NOT_FOUND)
        return true;
    if (result != ERROR_SUCCESS)
        return Fail(result);
    UniqueRegKey root(opened);
    DWORD count = 0;
    result = RegQueryInfoKeyW(root.Get(), nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr,
                              nullptr, nullptr, nullptr);
    if (result != ERROR_SUCCESS)
        return Fail(result);

    const int prefixLength = lstrlenW(kUninstallKeyPrefix);
    LONG firstFailure = ERROR_SUCCESS;
    // From the last key down: deleting one leaves the indices below it as they were.
    for (DWORD index = count; index-- > 0;) {
        wchar_t keyName[kKeyNameCapacity];
        DWORD length = kKeyNameCapacity;
        if (RegEnumKeyExW(root.Get(), index, keyName, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            continue;
        if (static_cast<int>(length) < prefixLength ||
            CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, keyName, prefixLength, kUninstallKeyPrefix,
                           prefixLength) != CSTR_EQUAL)
            continue;
        wchar_t location[MAX_PATH + 1];
        if (!ReadInstallLocation(root.Get(), keyName, location, MAX_PATH + 1) || !SameFolder(location, folder))
            continue;
        // The entry goes with the record of what its installation made, which the key holds.
        wchar_t recordKey[kKeyNameCapacity + 16];
        if (FormatWhole(recordKey, kKeyNameCapacity + 16, L"%s\\%s", keyName, kRememberedInstallationKeyName))
            DeleteSharedViewKey(root.Get(), recordKey);
        result = DeleteSharedViewKey(root.Get(), keyName);
        if (result != ERROR_SUCCESS && firstFailure == ERROR_SUCCESS)
            firstFailure = result;
    }
    return firstFailure == ERROR_SUCCESS ? true : Fail(firstFailure);
}
