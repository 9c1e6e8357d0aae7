#include "wizard/settings_page/installed_version.h"

#include "base/bounded_text.h"
#include "base/installation_names.h"
#include "base/scoped_handle.h"
#include "formats/config/server_config.h"

namespace {

const ULONGLONG kOfferedVersion = (1ull << 48) | 368;  // 1.0.0.368, a word per part

} // namespace

bool IsNewerThanOffered(DWORD versionMS, DWORD versionLS)
{
    // Part by part, major first: weighing the parts by 100 would take 1.0.1.0 for older
    // than 1.0.0.368 and downgrade it without a word.
    ULONGLONG version = (static_cast<ULONGLONG>(versionMS) << 32) | versionLS;
    return version > kOfferedVersion;
}

InstalledVersion ReadInstalledVersion(const wchar_t* executablePath)
{
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(executablePath, &ignored);
    if (size == 0)
        return InstalledVersion::kUnversioned;
    UniqueLocalMemory block(LocalAlloc(LMEM_FIXED, size));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    if (block && GetFileVersionInfoW(executablePath, 0, size, block.Get()) &&
        VerQueryValueW(block.Get(), L"\\", reinterpret_cast<void**>(&fixed), &fixedSize) &&
        fixed && fixedSize >= sizeof(VS_FIXEDFILEINFO) &&
        IsNewerThanOffered(fixed->dwFileVersionMS, fixed->dwFileVersionLS))
        return InstalledVersion::kNewer;
    return InstalledVersion::kNotNewer;
}

void KeepInstalledConfiguration(const wchar_t* installDir)
{
    wchar_t configPath[MAX_PATH] = {};
    FormatText(configPath, L"%s\\%s", installDir, kConfigurationFileName);
    // A missing or unreadable file leaves the store as it is: the installation then
    // writes its own configuration keys over the kept ones.
    g_serverConfig.Load(configPath);
}
