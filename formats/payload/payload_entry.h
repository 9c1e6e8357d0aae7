#pragma once
#include <windows.h>
#include <stddef.h>

// One member header of the payload's inflated stream; a file's content follows it.
#pragma pack(push, 1)
struct PayloadEntry
{
    wchar_t name[260];      // relative to the installation folder, backslash-separated
    INT32 size;             // content bytes that follow; kPayloadDirectorySize for a folder
    FILETIME creationTime;
    FILETIME lastAccessTime;
    FILETIME lastWriteTime;
    DWORD attributes;
    BYTE replace;           // 0: an upgrade keeps the existing copy
    BYTE reserved[7];
};
#pragma pack(pop)

static_assert(sizeof(PayloadEntry) == 560, "PayloadEntry is 560 bytes on disk");
static_assert(offsetof(PayloadEntry, size) == 520 && offsetof(PayloadEntry, creationTime) == 524 &&
                  offsetof(PayloadEntry, attributes) == 548 && offsetof(PayloadEntry, replace) == 552,
              "PayloadEntry fields at their stored offsets");

static const INT32 kPayloadDirectorySize = -1;

// The attribute bits an entry may set; anything else (the directory bit, or CreateFileW
// flags such as FILE_FLAG_DELETE_ON_CLOSE in a damaged entry) is dropped.
static const DWORD kPayloadAttributeMask = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                           FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                           FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_TEMPORARY |
                                           FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// Makes `name` the path that the entry is written to and recorded as: its "/" separators
// (archives packed elsewhere use them) become "\". True when it is terminated within the
// field and IsRelativePathKeptAsWritten, so that it stays inside the folder it is joined
// to and names nothing there but itself.
bool NormalizeEntryName(wchar_t (&name)[260]);
