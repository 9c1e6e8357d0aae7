#pragma once
#include <windows.h>
#include <string>

#include "tools/payload-builder/keep_list.h"
#include "tools/payload-builder/payload_writer.h"

struct PackResult
{
    DWORD files = 0;
    DWORD folders = 0;
    ULONGLONG contentBytes = 0;
    size_t longestPath = 0;    // characters of the longest relative path packed, folders too
    std::wstring failedPath;   // what could not be packed, when packing failed
    bool nameRefused = false;  // failedPath's name is not IsRelativePathKeptAsWritten
};

// Adds everything below `root` (not `root` itself) to `writer`: each folder's entry
// before its contents, names in a fixed order so that builds repeat, times and
// attributes as the files have them. Replace flag 0 for what `keep` lists. A name that
// Windows would not keep as written stops the packing.
bool PackFolder(const wchar_t* root, const CKeepList& keep, CPayloadWriter& writer, PackResult& result);
