#include "engine/folder_times.h"

#include <new>
#include <wchar.h>

#include "base/scoped_handle.h"

CFolderTimes::~CFolderTimes()
{
    while (latest_) {
        Folder* earlier = latest_->earlier;
        delete latest_;
        latest_ = earlier;
    }
}

bool CFolderTimes::Remember(const wchar_t* path, const PayloadEntry& entry, DWORD attributes)
{
    Folder* folder = new (std::nothrow) Folder;
    if (!folder) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    wcsncpy(folder->path, path, MAX_PATH - 1);
    folder->path[MAX_PATH - 1] = 0;
    folder->creation = entry.creationTime;
    folder->lastAccess = entry.lastAccessTime;
    folder->lastWrite = entry.lastWriteTime;
    folder->attributes = attributes;
    folder->earlier = latest_;
    latest_ = folder;
    return true;
}

void CFolderTimes::Apply()
{
    DWORD error = GetLastError();
    while (latest_) {
        Folder* folder = latest_;
        UniqueHandle handle(CreateFileW(folder->path, FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (handle)
            SetFileTime(handle.Get(), &folder->creation, &folder->lastAccess, &folder->lastWrite);
        handle.Reset();
        SetFileAttributesW(folder->path, folder->attributes);
        latest_ = folder->earlier;
        delete folder;
    }
    // Times are kept where the file system can; a folder that will not take them fails nothing.
    SetLastError(error);
}
