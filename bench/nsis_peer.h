#pragma once
#include <windows.h>
#include <string>

// The peer installer: NSIS, whose compiler (makensis, a Linux program) the benchmark
// starts through Wine, which runs the Unix programs that CreateProcess is given.

// The Windows path of makensis when it is installed at `unixPath`, else empty.
std::wstring FindMakensis(const char* unixPath);

// Packs `tree` into a silent NSIS installer at `installer` with the solid compressor
// `compressor` ("zlib" or "lzma"). True when the installer was written.
bool BuildNsisInstaller(const std::wstring& makensis, const std::wstring& tree, const char* compressor,
                        const std::wstring& installer);

// The command line that runs `installer` silently into `folder`.
std::wstring NsisCommandLine(const std::wstring& installer, const std::wstring& folder);
