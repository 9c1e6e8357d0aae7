#pragma once
#include <windows.h>
#include <stddef.h>

#include "formats/config/read_write_lock.h"

// One key of the store. An entry without a value reads as absent.
struct ConfigEntry
{
    wchar_t name[64];  // as first spelled
    wchar_t* value;    // owned; null when absent
};

// Named text values read from and written to files of name=value lines in the ANSI code
// page. Keys compare without regard to case. Every operation may be called from any
// thread; none may be called from inside another on the same store.
class CConfigFile
{
public:
    CConfigFile();
    ~CConfigFile();
    CConfigFile(const CConfigFile&) = delete;
    CConfigFile& operator=(const CConfigFile&) = delete;

    // Merges the file's keys into the store (replacing values, removing nothing). True
    // when read to its end; false when it cannot be opened or memory runs out.
    bool Load(const wchar_t* path);
    // Writes the server's template, with the stored values of its keys. False when the
    // file cannot be created, a buffer cannot be allocated or a line cannot be written.
    bool Save(const wchar_t* path);
    // True when the key is present and its value with terminator fits `capacity`; a value
    // that does not fit is left cut in `buffer`. An absent key leaves `buffer` untouched.
    bool Get(const wchar_t* name, wchar_t* buffer, size_t capacity);
    // Stores a value of at most 8191 characters under a name of at most 63.
    bool Set(const wchar_t* name, const wchar_t* value);
    void Clear();
    // Makes this store hold exactly what `source` holds. False when memory runs out; the
    // store is then empty.
    bool CopyFrom(CConfigFile& source);

    static const size_t kMaxValueLength = 8191;

private:
    // First entry whose name is not less than `name`.
    size_t LowerBound(const wchar_t* name) const;
    ConfigEntry* Find(const wchar_t* name, size_t* insertAt) const;
    ConfigEntry* Insert(size_t at, const wchar_t* name);
    // Sets `name` to a copy of `length` characters of `value`; on failure nothing changes.
    bool Store(const wchar_t* name, const wchar_t* value, size_t length);
    // Gives the entry `value` (owned from here on), freeing what it held.
    static void Attach(ConfigEntry& entry, wchar_t* value);

    CReadWriteLock lock_;
    ConfigEntry* entries_;
    size_t count_;
    size_t capacity_;
};
