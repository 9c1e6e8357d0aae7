#include "tools/payload-builder/paths_header.h"

#include <stdio.h>
#include <windows.h>

#include "base/scoped_handle.h"

bool WritePathsHeader(const wchar_t* path, size_t longestPath, unsigned long long contentBytes)
{
    char text[512];
    int length = snprintf(text, sizeof(text),
                          "#pragma once\n"
                          "// Written by the payload builder with its archive; not to be edited.\n"
                          "// Characters of the archive's longest relative path, folders included.\n"
                          "const unsigned kPayloadLongestPath = %u;\n"
                          "// Bytes of the archive's files, unpacked.\n"
                          "const unsigned long long kPayloadContentBytes = %lluull;\n",
                          static_cast<unsigned>(longestPath), contentBytes);
    UniqueHandle file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    return file && WriteFile(file.Get(), text, static_cast<DWORD>(length), &written, nullptr) &&
           written == static_cast<DWORD>(length);
}
