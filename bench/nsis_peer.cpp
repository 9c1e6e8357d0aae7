#include "bench/nsis_peer.h"

#include <stdio.h>

namespace {

typedef char*(CDECL* UnixFileNameFunction)(const wchar_t*);

// The Unix name of a Windows path, through Wine's own export; empty outside Wine.
std::string UnixPath(const std::wstring& path)
{
    static UnixFileNameFunction toUnix = reinterpret_cast<UnixFileNameFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix)
        return std::string();
    char* name = toUnix(path.c_str());
    if (!name)
        return std::string();
    std::string result = name;
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

bool WriteScript(const std::wstring& script, const std::string& tree, const char* compressor,
                 const std::string& installer)
{
    FILE* file = _wfopen(script.c_str(), L"wb");
    if (!file)
        return false;
    fprintf(file,
            "Unicode true\n"
            "Target amd64-unicode\n"
            "SetCompressor /SOLID %s\n"
            "OutFile \"%s\"\n"
            "InstallDir \"$TEMP\\velmora-nsis\"\n"
            "RequestExecutionLevel user\n"
            "SilentInstall silent\n"
            "Section\n"
            "SetOutPath \"$INSTDIR\"\n"
            "File /r \"%s/*\"\n"
            "SectionEnd\n",
            compressor, installer.c_str(), tree.c_str());
    return fclose(file) == 0;
}

}  // namespace

std::wstring FindMakensis(const char* unixPath)
{
    std::wstring path = L"Z:";
    for (const char* c = unixPath; *c; ++c)
        path += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES || UnixPath(path).empty())
        return std::wstring();
    return path;
}

bool BuildNsisInstaller(const std::wstring& makensis, const std::wstring& tree, const char* compressor,
                        const std::wstring& installer)
{
    std::wstring script = installer + L".nsi", finished = installer + L".done";
    DeleteFileW(installer.c_str());
    DeleteFileW(finished.c_str());
    if (!WriteScript(script, UnixPath(tree), compressor, UnixPath(installer)))
        return false;
    // Wine starts a Unix program but hands back a handle that is signalled at once, so
    // the shell leaves a mark when makensis has ended, and the mark is waited for.
    std::string unixMakensis = UnixPath(makensis);
    std::string shell = "'" + unixMakensis + "' -V1 '" + UnixPath(script) + "'; touch '" + UnixPath(finished) + "'";
    std::wstring commandLine = L"/bin/sh -c \"" + std::wstring(shell.begin(), shell.end()) + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION child = {};
    if (!CreateProcessW(L"Z:\\bin\\sh", &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &child))
        return false;
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    while (GetFileAttributesW(finished.c_str()) == INVALID_FILE_ATTRIBUTES)
        Sleep(200);
    DeleteFileW(finished.c_str());
    DeleteFileW(script.c_str());
    // makensis writes its installer only when it succeeds.
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    return GetFileAttributesExW(installer.c_str(), GetFileExInfoStandard, &data) && data.nFileSizeLow > 0;
}

std::wstring NsisCommandLine(const std::wstring& installer, const std::wstring& folder)
{
    // /D= takes the rest of the line, unquoted, and must come last.
    return L"\"" + installer + L"\" /S /D=" + folder;
}
