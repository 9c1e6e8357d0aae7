#include "system/uninstall/remembered_installation_store.h"

#include "base/scoped_handle.h"
#include "base/whole_format.h"
#include "base/wow64.h"
#include "system/uninstall/uninstall_entry.h"

#include <stddef.h>
#include <string.h>

namespace {

using Record = RememberedInstallation;

const DWORD kFormat = 1;
const wchar_t kFormatValue[] = L"Format";
const size_t kKeyPathCapacity = 400;

enum class Kind
{
    kProvenance,  // REG_DWORD
    kText,        // REG_SZ, wchar_t[]
    kThumbprint,  // REG_BINARY of the field's whole size
    kSizedBytes,  // REG_BINARY up to the field's size, its length in a DWORD field
    kAnsiText,    // REG_BINARY, char[] without its terminator
    kHostsLines,  // REG_BINARY, HostsTakenLines
};

struct Field
{
    const wchar_t* name;
    Kind kind;
    size_t offset;    // in the record
    size_t capacity;  // bytes
    size_t thing;     // offset of the provenance that the field belongs to
    size_t sizeOffset = 0;
};

#define VELMORA_FIELD(member) offsetof(Record, member), sizeof(Record::member)
const Field kFields[] = {
    // Each provenance before its data, so that damaged data makes it unknown.
    {L"Folder", Kind::kProvenance, VELMORA_FIELD(folder), offsetof(Record, folder)},
    {L"TopmostMadeFolder", Kind::kText, VELMORA_FIELD(topmost_made_folder), offsetof(Record, folder)},
    {L"ServerCertificate", Kind::kProvenance, VELMORA_FIELD(server_certificate), offsetof(Record, server_certificate)},
    {L"ServerThumbprint", Kind::kThumbprint, VELMORA_FIELD(server_thumbprint), offsetof(Record, server_certificate)},
    {L"KeyContainer", Kind::kText, VELMORA_FIELD(key_container), offsetof(Record, server_certificate)},
    {L"ReplacedCertificate", Kind::kSizedBytes, VELMORA_FIELD(replaced_certificate),
     offsetof(Record, server_certificate), offsetof(Record, replaced_certificate_size)},
    {L"RootCertificate", Kind::kProvenance, VELMORA_FIELD(root_certificate), offsetof(Record, root_certificate)},
    {L"RootThumbprint", Kind::kThumbprint, VELMORA_FIELD(root_thumbprint), offsetof(Record, root_certificate)},
    {L"TrustList", Kind::kProvenance, VELMORA_FIELD(trust_list), offsetof(Record, trust_list)},
    {L"Binding", Kind::kProvenance, VELMORA_FIELD(binding), offsetof(Record, binding)},
    {L"BindingAddress", Kind::kText, VELMORA_FIELD(binding_address), offsetof(Record, binding)},
    {L"ReplacedBinding", Kind::kSizedBytes, VELMORA_FIELD(replaced_binding), offsetof(Record, binding),
     offsetof(Record, replaced_binding_size)},
    {L"HostsBlock", Kind::kProvenance, VELMORA_FIELD(hosts_block), offsetof(Record, hosts_block)},
    {L"HostsDomain", Kind::kAnsiText, VELMORA_FIELD(hosts_domain), offsetof(Record, hosts_block)},
    {L"HostsAddress", Kind::kAnsiText, VELMORA_FIELD(hosts_address), offsetof(Record, hosts_block)},
    {L"HostsTakenLines", Kind::kHostsLines, VELMORA_FIELD(hosts_taken), offsetof(Record, hosts_block)},
    {L"Service", Kind::kProvenance, VELMORA_FIELD(service), offsetof(Record, service)},
    {L"ServiceName", Kind::kText, VELMORA_FIELD(service_name), offsetof(Record, service)},
    {L"Shortcuts", Kind::kProvenance, VELMORA_FIELD(shortcuts), offsetof(Record, shortcuts)},
};
#undef VELMORA_FIELD

// The taken lines as stored: their number, then each line whole.
static_assert(sizeof(HostsTakenLine) == 1024, "a taken line is stored as 512 bytes before and 512 after");
const DWORD kHostsLinesCapacity = sizeof(DWORD) + HostsTakenLines::kCapacity * sizeof(HostsTakenLine);

bool Fail(LONG result)
{
    SetLastError(static_cast<DWORD>(result));
    return false;
}

bool EntryKeyPath(const wchar_t* serviceName, wchar_t (&path)[kKeyPathCapacity])
{
    wchar_t keyName[256];
    return UninstallEntryKeyName(serviceName, keyName, 256) &&
           FormatWhole(path, kKeyPathCapacity, L"%s\\%s", kUninstallRoot, keyName);
}

LONG SetValue(HKEY key, const wchar_t* name, DWORD type, const void* data, size_t bytes)
{
    return RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(bytes));
}

LONG WriteField(HKEY key, const Field& field, const BYTE* record)
{
    const BYTE* at = record + field.offset;
    switch (field.kind) {
    case Kind::kProvenance: {
        const DWORD number = *at;
        return number <= static_cast<DWORD>(Provenance::kUnknown) ? SetValue(key, field.name, REG_DWORD, &number, 4)
                                                                   : ERROR_INVALID_DATA;
    }
    case Kind::kText: {
        const size_t units = field.capacity / sizeof(wchar_t);
        const size_t length = wcsnlen(reinterpret_cast<const wchar_t*>(at), units);
        return length < units ? SetValue(key, field.name, REG_SZ, at, (length + 1) * sizeof(wchar_t))
                              : ERROR_INVALID_DATA;
    }
    case Kind::kThumbprint:
        return SetValue(key, field.name, REG_BINARY, at, field.capacity);
    case Kind::kSizedBytes: {
        DWORD size;
        memcpy(&size, record + field.sizeOffset, sizeof(size));
        return size <= field.capacity ? SetValue(key, field.name, REG_BINARY, at, size) : ERROR_INVALID_DATA;
    }
    case Kind::kAnsiText: {
        const size_t length = strnlen(reinterpret_cast<const char*>(at), field.capacity);
        return length < field.capacity ? SetValue(key, field.name, REG_BINARY, at, length) : ERROR_INVALID_DATA;
    }
    case Kind::kHostsLines: {
        const auto& taken = *reinterpret_cast<const HostsTakenLines*>(at);
        if (taken.count < 0 || taken.count > HostsTakenLines::kCapacity)
            return ERROR_INVALID_DATA;
        BYTE stored[kHostsLinesCapacity] = {};
        const DWORD count = static_cast<DWORD>(taken.count);
        memcpy(stored, &count, sizeof(count));
        auto* lines = reinterpret_cast<HostsTakenLine*>(stored + sizeof(count));
        for (DWORD i = 0; i < count; ++i) {
            const HostsTakenLine& line = taken.lines[i];
            if (strnlen(line.before, sizeof(line.before)) == sizeof(line.before) ||
                strnlen(line.after, sizeof(line.after)) == sizeof(line.after))
                return ERROR_INVALID_DATA;
            strcpy(lines[i].before, line.before);
            strcpy(lines[i].after, line.after);
        }
        return SetValue(key, field.name, REG_BINARY, stored, sizeof(count) + count * sizeof(HostsTakenLine));
    }
    }
    return ERROR_INVALID_DATA;
}

// Reads the value of `field` into `at`, at most `capacity` bytes; its size into `size`.
bool QueryValue(HKEY key, const Field& field, DWORD wantedType, void* at, DWORD capacity, DWORD& size)
{
    DWORD type = REG_NONE;
    size = capacity;
    return RegQueryValueExW(key, field.name, nullptr, &type, static_cast<BYTE*>(at), &size) == ERROR_SUCCESS &&
           type == wantedType;
}

// Reads one field into the zeroed `record`; false when its value is damaged.
bool ReadField(HKEY key, const Field& field, BYTE* record)
{
    BYTE* at = record + field.offset;
    const DWORD capacity = static_cast<DWORD>(field.capacity);
    DWORD size = 0;
    switch (field.kind) {
    case Kind::kProvenance: {
        DWORD number = 0;
        if (!QueryValue(key, field, REG_DWORD, &number, sizeof(number), size) || size != sizeof(number) ||
            number > static_cast<DWORD>(Provenance::kUnknown))
            return false;
        *at = static_cast<BYTE>(number);
        return true;
    }
    case Kind::kText: {
        auto* text = reinterpret_cast<wchar_t*>(at);
        const DWORD units = capacity / sizeof(wchar_t);
        if (!QueryValue(key, field, REG_SZ, text, capacity, size) || (size == capacity && text[units - 1] != 0))
            return false;
        // A value stored without its terminator ends here.
        text[size / sizeof(wchar_t) < units ? size / sizeof(wchar_t) : units - 1] = 0;
        return true;
    }
    case Kind::kThumbprint:
        return QueryValue(key, field, REG_BINARY, at, capacity, size) && size == capacity;
    case Kind::kSizedBytes:
        if (!QueryValue(key, field, REG_BINARY, at, capacity, size))
            return false;
        memcpy(record + field.sizeOffset, &size, sizeof(size));
        return true;
    case Kind::kAnsiText:
        // One byte kept back for the terminator: the record is zeroed.
        return QueryValue(key, field, REG_BINARY, at, capacity - 1, size);
    case Kind::kHostsLines: {
        BYTE stored[kHostsLinesCapacity];
        DWORD count = 0;
        if (!QueryValue(key, field, REG_BINARY, stored, sizeof(stored), size) || size < sizeof(count))
            return false;
        memcpy(&count, stored, sizeof(count));
        if (count > HostsTakenLines::kCapacity || size != sizeof(count) + count * sizeof(HostsTakenLine))
            return false;
        auto& taken = *reinterpret_cast<HostsTakenLines*>(at);
        memcpy(taken.lines, stored + sizeof(count), count * sizeof(HostsTakenLine));
        taken.count = static_cast<int>(count);
        for (HostsTakenLine& line : taken.lines) {
            line.before[sizeof(line.before) - 1] = 0;
            line.after[sizeof(line.after) - 1] = 0;
        }
        return true;
    }
    }
    return false;
}

void EmptyField(const Field& field, BYTE* record)
{
    memset(record + field.offset, 0, field.capacity);
    if (field.kind == Kind::kSizedBytes)
        memset(record + field.sizeOffset, 0, sizeof(DWORD));
}

}  // namespace

// Nothing known: every thing kUnknown, no data.
void ForgetRememberedInstallation(RememberedInstallation& record)
{
    memset(static_cast<void*>(&record), 0, sizeof(record));
    for (const Field& field : kFields)
        if (field.kind == Kind::kProvenance)
            reinterpret_cast<BYTE*>(&record)[field.offset] = static_cast<BYTE>(Provenance::kUnknown);
}

bool WriteRememberedInstallation(const wchar_t* serviceName, const RememberedInstallation& record)
{
    wchar_t entryPath[kKeyPathCapacity];
    if (!EntryKeyPath(serviceName, entryPath))
        return false;
    HKEY opened = nullptr;
    LONG result = RegOpenKeyExW(HKEY_LOCAL_MACHINE, entryPath, 0, KEY_READ | KEY_CREATE_SUB_KEY | kSharedRegistryView,
                                &opened);
    if (result != ERROR_SUCCESS)
        return Fail(result);
    UniqueRegKey entry(opened);
    // A fresh key: no value of an earlier record stays beside the new ones.
    result = DeleteSharedViewKey(entry.Get(), kRememberedInstallationKeyName);
    if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND)
        return Fail(result);
    HKEY created = nullptr;
    result = RegCreateKeyExW(entry.Get(), kRememberedInstallationKeyName, 0, nullptr, REG_OPTION_NON_VOLATILE,
                             KEY_SET_VALUE | kSharedRegistryView, nullptr, &created, nullptr);
    if (result != ERROR_SUCCESS)
        return Fail(result);
    UniqueRegKey key(created);
    const BYTE* bytes = reinterpret_cast<const BYTE*>(&record);
    for (const Field& field : kFields)
        if (result == ERROR_SUCCESS)
            result = WriteField(key.Get(), field, bytes);
    // The format last: until it is there, the values are no record.
    if (result == ERROR_SUCCESS)
        result = SetValue(key.Get(), kFormatValue, REG_DWORD, &kFormat, sizeof(kFormat));
    if (result == ERROR_SUCCESS)
        return true;
    key.Reset();
    DeleteSharedViewKey(entry.Get(), kRememberedInstallationKeyName);
    return Fail(result);
}

bool ReadRememberedInstallation(const wchar_t* serviceName, RememberedInstallation& record)
{
    ForgetRememberedInstallation(record);
    wchar_t entryPath[kKeyPathCapacity];
    wchar_t keyPath[kKeyPathCapacity];
    if (!EntryKeyPath(serviceName, entryPath) ||
        !FormatWhole(keyPath, kKeyPathCapacity, L"%s\\%s", entryPath, kRememberedInstallationKeyName))
        return false;
    HKEY opened = nullptr;
    LONG result = RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_QUERY_VALUE | kSharedRegistryView, &opened);
    if (result != ERROR_SUCCESS)
        return Fail(result);
    UniqueRegKey key(opened);
    DWORD format = 0, type = REG_NONE, size = sizeof(format);
    if (RegQueryValueExW(key.Get(), kFormatValue, nullptr, &type, reinterpret_cast<BYTE*>(&format), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof(format))
        return Fail(ERROR_FILE_NOT_FOUND);
    if (format != kFormat)
        return Fail(ERROR_UNKNOWN_REVISION);

    memset(static_cast<void*>(&record), 0, sizeof(record));
    BYTE* bytes = reinterpret_cast<BYTE*>(&record);
    for (const Field& field : kFields) {
        if (ReadField(key.Get(), field, bytes))
            continue;
        EmptyField(field, bytes);
        bytes[field.thing] = static_cast<BYTE>(Provenance::kUnknown);
    }
    SetLastError(0);
    return true;
}

bool RemoveRememberedInstallation(const wchar_t* serviceName)
{
    wchar_t entryPath[kKeyPathCapacity];
    if (!EntryKeyPath(serviceName, entryPath))
        return false;
    HKEY opened = nullptr;
    LONG result = RegOpenKeyExW(HKEY_LOCAL_MACHINE, entryPath, 0, KEY_READ | kSharedRegistryView, &opened);
    if (result == ERROR_SUCCESS) {
        UniqueRegKey entry(opened);
        result = DeleteSharedViewKey(entry.Get(), kRememberedInstallationKeyName);
    }
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND ? true : Fail(result);
}
