// payload-builder <folder> <keep-list> <archive> <header>
// Packs <folder> into the setup program's payload archive, and writes <header> with what
// the setup program needs to know of it (paths_header.h). Paths are Windows paths (under
// Wine, Linux paths on drive Z:).
#include <stdio.h>
#include <windows.h>

#include "base/scoped_handle.h"
#include "formats/crypto/data_key.h"
#include "tools/payload-builder/folder_packer.h"
#include "tools/payload-builder/paths_header.h"
#include "tools/payload-builder/payload_sinks.h"

int wmain(int argc, wchar_t** argv)
{
    if (argc != 5) {
        fwprintf(stderr, L"usage: payload-builder <folder> <keep-list> <archive> <header>\n");
        return 2;
    }
    CKeepList keep;
    if (!keep.Load(argv[2])) {
        fwprintf(stderr, L"payload-builder: cannot read %ls (error %lu)\n", argv[2], GetLastError());
        return 1;
    }
    UniqueHandle file(CreateFileW(argv[3], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!file) {
        fwprintf(stderr, L"payload-builder: cannot create %ls (error %lu)\n", argv[3], GetLastError());
        return 1;
    }
    CFileSink sink(file.Get());
    CPayloadWriter writer(sink, DataKey, kDataKeyBits, Z_BEST_COMPRESSION);
    PackResult result;
    bool packed = writer.Begin() && PackFolder(argv[1], keep, writer, result) && writer.Finish();
    DWORD error = GetLastError();
    file.Reset();
    if (!packed) {
        if (result.nameRefused)
            fwprintf(stderr, L"payload-builder: cannot pack %ls: Windows reads its name as another (a device, an 8.3 "
                             L"alias, a trailing dot or blank, or a character it refuses); rename it\n",
                     result.failedPath.c_str());
        else
            fwprintf(stderr, L"payload-builder: cannot pack %ls (error %lu)\n",
                     result.failedPath.empty() ? argv[1] : result.failedPath.c_str(), error);
        DeleteFileW(argv[3]);
        return 1;
    }
    // No archive without its header: a setup built with a stale one would let folders
    // through that this archive's paths do not fit in.
    if (!WritePathsHeader(argv[4], result.longestPath, result.contentBytes)) {
        fwprintf(stderr, L"payload-builder: cannot write %ls (error %lu)\n", argv[4], GetLastError());
        DeleteFileW(argv[3]);
        return 1;
    }
    wprintf(L"payload-builder: %lu folders, %lu files, %llu bytes, longest path %lu\n", result.folders,
            result.files, result.contentBytes, static_cast<unsigned long>(result.longestPath));
    return 0;
}
