#include "system/uninstall/saved_uninstall_entry.h"

#include "base/scoped_handle.h"
#include "base/whole_format.h"
#include "base/wow64.h"
#include "system/uninstall/remembered_installation_store.h"
#include "system/uninstall/uninstall_entry.h"

namespace {

// Key names in the registry are at most 255 characters long, value names 16383.
const size_t kKeyNameCapacity = 256;
const DWORD kValueNameCapacity = 16384;

void Put(BYTE*& at, const void* bytes, DWORD size)
{
    CopyMemory(at, bytes, size);
    at += size;
}

DWORD Take(const BYTE*& at)
{
    DWORD value;
    CopyMemory(&value, at, sizeof(value));
    at += sizeof(value);
    return value;
}

// Reads every value of the key `keyPath` into `bytes` (left null when there is no key).
LONG SaveValues(const wchar_t* keyPath, BYTE*& bytes, DWORD& size)
{
    HKEY opened = nullptr;
    LONG result = RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_QUERY_VALUE | kSharedRegistryView, &opened);
    if (result == ERROR_FILE_NOT_FOUND)
        return ERROR_SUCCESS;
    UniqueRegKey key(opened);
    DWORD count = 0, longestName = 0, largestData = 0;
    if (result == ERROR_SUCCESS)
        result = RegQueryInfoKeyW(opened, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &longestName,
                                  &largestData, nullptr, nullptr);
    const DWORD eachValue = 3 * sizeof(DWORD) + (longestName + 1) * sizeof(wchar_t) + largestData;
    if (result == ERROR_SUCCESS &&
        !(bytes = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, count * eachValue + 1))))
        result = ERROR_OUTOFMEMORY;
    BYTE* at = bytes;
    for (DWORD i = 0; result == ERROR_SUCCESS && i < count; ++i) {
        // The name and the data go straight behind their sizes; the sizes follow the reading.
        DWORD nameLength = longestName + 1, type = 0, dataSize = largestData;
        wchar_t* name = reinterpret_cast<wchar_t*>(at + sizeof(DWORD));
        BYTE* data = at + 3 * sizeof(DWORD) + nameLength * sizeof(wchar_t);
        result = RegEnumValueW(opened, i, name, &nameLength, nullptr, &type, data, &dataSize);
        if (result != ERROR_SUCCESS)
            break;
        // Packed: name length, name, type, data size, data.
        BYTE* end = at;
        Put(end, &nameLength, sizeof(DWORD));
        end += nameLength * sizeof(wchar_t);
        MoveMemory(end + 2 * sizeof(DWORD), data, dataSize);
        Put(end, &type, sizeof(DWORD));
        Put(end, &dataSize, sizeof(DWORD));
        at = end + dataSize;
    }
    size = static_cast<DWORD>(at - bytes);
    return result;
}

// Makes the key `keyPath` (a subkey of `parent`) again with the saved values.
LONG PutValues(HKEY parent, const wchar_t* keyPath, const BYTE* bytes, DWORD size)
{
    HKEY created = nullptr;
    LONG result = RegCreateKeyExW(parent, keyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_SET_VALUE | kSharedRegistryView, nullptr, &created, nullptr);
    UniqueRegKey key(created);
    for (const BYTE* at = bytes; result == ERROR_SUCCESS && at < bytes + size;) {
        DWORD nameLength = Take(at);
        if (nameLength >= kValueNameCapacity)
            break;
        wchar_t name[kValueNameCapacity];
        CopyMemory(name, at, nameLength * sizeof(wchar_t));
        name[nameLength] = 0;
        at += nameLength * sizeof(wchar_t);
        DWORD type = Take(at);
        DWORD dataSize = Take(at);
        result = RegSetValueExW(created, name, 0, type, at, dataSize);
        at += dataSize;
    }
    return result;
}

} // namespace

SavedUninstallEntry::~SavedUninstallEntry()
{
    BYTE* const held[] = {entry_.bytes, record_.bytes};
    for (BYTE* bytes : held)
        if (bytes)
            HeapFree(GetProcessHeap(), 0, bytes);
}

bool SavedUninstallEntry::Save(const wchar_t* serviceName)
{
    wchar_t keyName[kKeyNameCapacity];
    if (keyPath_[0] || !UninstallEntryKeyName(serviceName, keyName, kKeyNameCapacity) ||
        !FormatWhole(keyPath_, 400, L"%s\\%s", kUninstallRoot, keyName) ||
        !FormatWhole(recordPath_, 416, L"%s\\%s", keyPath_, kRememberedInstallationKeyName))
        return false;
    LONG result = SaveValues(keyPath_, entry_.bytes, entry_.size);
    if (result == ERROR_SUCCESS && entry_.bytes)
        result = SaveValues(recordPath_, record_.bytes, record_.size);
    if (result != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(result));
        return false;
    }
    return true;
}

bool SavedUninstallEntry::PutBack() const
{
    if (!keyPath_[0])
        return false;
    DeleteSharedViewKey(HKEY_LOCAL_MACHINE, recordPath_);
    LONG result = DeleteSharedViewKey(HKEY_LOCAL_MACHINE, keyPath_);
    if (!entry_.bytes)
        return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
    result = PutValues(HKEY_LOCAL_MACHINE, keyPath_, entry_.bytes, entry_.size);
    if (result == ERROR_SUCCESS && record_.bytes)
        result = PutValues(HKEY_LOCAL_MACHINE, recordPath_, record_.bytes, record_.size);
    SetLastError(static_cast<DWORD>(result));
    return result == ERROR_SUCCESS;
}
