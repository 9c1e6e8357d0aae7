#include "formats/config/config_file.h"
#include "base/bounded_text.h"

#include <string.h>
#include <wchar.h>

namespace {

wchar_t* CopyValue(const wchar_t* value, size_t length)
{
    wchar_t* copy = static_cast<wchar_t*>(HeapAlloc(GetProcessHeap(), 0, (length + 1) * sizeof(wchar_t)));
    if (copy)
        CopyTextN(copy, length + 1, value, length);
    return copy;
}

} // namespace

CConfigFile::CConfigFile() : entries_(nullptr), count_(0), capacity_(0)
{
}

CConfigFile::~CConfigFile()
{
    Clear();
    if (entries_)
        HeapFree(GetProcessHeap(), 0, entries_);
}

size_t CConfigFile::LowerBound(const wchar_t* name) const
{
    size_t low = 0, high = count_;
    while (low < high) {
        size_t middle = low + (high - low) / 2;
        if (lstrcmpiW(entries_[middle].name, name) < 0)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

ConfigEntry* CConfigFile::Find(const wchar_t* name, size_t* insertAt) const
{
    size_t at = LowerBound(name);
    if (insertAt)
        *insertAt = at;
    if (at < count_ && lstrcmpiW(entries_[at].name, name) == 0)
        return &entries_[at];
    return nullptr;
}

ConfigEntry* CConfigFile::Insert(size_t at, const wchar_t* name)
{
    if (count_ == capacity_) {
        size_t grown = capacity_ ? capacity_ * 2 : 16;
        SIZE_T bytes = grown * sizeof(ConfigEntry);
        void* moved = entries_ ? HeapReAlloc(GetProcessHeap(), 0, entries_, bytes)
                               : HeapAlloc(GetProcessHeap(), 0, bytes);
        if (!moved) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        entries_ = static_cast<ConfigEntry*>(moved);
        capacity_ = grown;
    }
    memmove(&entries_[at + 1], &entries_[at], (count_ - at) * sizeof(ConfigEntry));
    ++count_;
    ConfigEntry& entry = entries_[at];
    CopyText(entry.name, name);
    entry.value = nullptr;
    return &entry;
}

void CConfigFile::Attach(ConfigEntry& entry, wchar_t* value)
{
    if (entry.value)
        HeapFree(GetProcessHeap(), 0, entry.value);
    entry.value = value;
}

bool CConfigFile::Get(const wchar_t* name, wchar_t* buffer, size_t capacity)
{
    if (!name || !buffer || capacity == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    SharedLock hold(lock_);
    const ConfigEntry* entry = Find(name, nullptr);
    if (!entry || !entry->value) {
        SetLastError(ERROR_NOT_FOUND);
        return false;
    }
    CopyText(buffer, capacity, entry->value);
    if (!FitsInto(entry->value, capacity)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return false;
    }
    return true;
}

bool CConfigFile::Set(const wchar_t* name, const wchar_t* value)
{
    if (!name || !name[0] || !value) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    size_t length = wcsnlen(value, kMaxValueLength + 1);
    if (length > kMaxValueLength) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    wchar_t key[64];
    CopyText(key, name);

    ExclusiveLock hold(lock_);
    return Store(key, value, length);
}

bool CConfigFile::Store(const wchar_t* name, const wchar_t* value, size_t length)
{
    // The copy is made before anything changes, so a failure keeps the old value.
    wchar_t* copy = CopyValue(value, length);
    if (!copy) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    size_t at = 0;
    ConfigEntry* entry = Find(name, &at);
    if (!entry)
        entry = Insert(at, name);
    if (!entry) {
        HeapFree(GetProcessHeap(), 0, copy);
        return false;
    }
    Attach(*entry, copy);
    return true;
}

bool CConfigFile::CopyFrom(CConfigFile& source)
{
    if (&source == this)
        return true;
    Clear();
    SharedLock from(source.lock_);
    ExclusiveLock hold(lock_);
    for (size_t i = 0; i < source.count_; ++i) {
        const ConfigEntry& entry = source.entries_[i];
        if (entry.value && !Store(entry.name, entry.value, wcslen(entry.value))) {
            for (size_t j = 0; j < count_; ++j)
                Attach(entries_[j], nullptr);
            count_ = 0;
            return false;
        }
    }
    return true;
}

void CConfigFile::Clear()
{
    ExclusiveLock hold(lock_);
    for (size_t i = 0; i < count_; ++i)
        Attach(entries_[i], nullptr);
    count_ = 0;
}
