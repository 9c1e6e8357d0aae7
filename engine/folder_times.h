#pragma once
#include <windows.h>

#include "formats/payload/payload_entry.h"

// Folders whose times and attributes are set only after everything inside them has
// been written: creating a member changes its folder's last-write time. The archive
// lists a folder before its contents, so the folders are set latest first, which sets
// every folder after the folders inside it.
class CFolderTimes
{
public:
    CFolderTimes() : latest_(nullptr) {}
    ~CFolderTimes();
    CFolderTimes(const CFolderTimes&) = delete;
    CFolderTimes& operator=(const CFolderTimes&) = delete;

    // False when out of memory, the reason in the thread's last error.
    bool Remember(const wchar_t* path, const PayloadEntry& entry, DWORD attributes);
    // Sets and forgets every remembered folder, latest first.
    void Apply();

private:
    struct Folder
    {
        Folder* earlier;
        wchar_t path[MAX_PATH];
        FILETIME creation;
        FILETIME lastAccess;
        FILETIME lastWrite;
        DWORD attributes;
    };
    Folder* latest_;
};
