#include "app/domain_name.h"

#include <windows.h>
#include <wchar.h>

#include "base/bounded_text.h"
#include "base/install_settings.h"

namespace {

const size_t kServiceNameKept = 63;

// Converts as much of domain_name as fits into domain_name_ansi, and cuts domain_name
// to the same length, so that the two always name the same domain.
void StoreAnsiForm()
{
    const int ansiCapacity = static_cast<int>(sizeof(g_settings.domain_name_ansi));
    int count = static_cast<int>(wcslen(g_settings.domain_name));
    int bytes = 0;
    while (count > 0) {
        bytes = WideCharToMultiByte(CP_ACP, 0, g_settings.domain_name, count, g_settings.domain_name_ansi,
                                    ansiCapacity - 1, nullptr, nullptr);
        if (bytes > 0)
            break;
        --count;
    }
    g_settings.domain_name[count] = 0;
    g_settings.domain_name_ansi[bytes] = 0;
}

} // namespace

void SetDomainName(const wchar_t* domainName)
{
    CopyText(g_settings.domain_name, domainName);
    StoreAnsiForm();
    if (!g_settings.saas_mode)
        return;
    // Without a base folder the domain alone would make a folder at the drive's root.
    if (g_settings.install_dir[0]) {
        AppendText(g_settings.install_dir, L"\\");
        AppendText(g_settings.install_dir, g_settings.domain_name);
    }
    // A domain too long for the field gives no name at all, rather than a cut one that
    // would be another service's: the settings page then asks for one.
    if (!g_settings.service_name[0] && wcslen(g_settings.domain_name) <= kServiceNameKept)
        CopyText(g_settings.service_name, g_settings.domain_name);
}

void GetDefaultDomainName(wchar_t* buffer, size_t capacity)
{
    DWORD size = static_cast<DWORD>(capacity);
    if (!GetComputerNameExW(ComputerNameDnsFullyQualified, buffer, &size) || !buffer[0])
        CopyText(buffer, capacity, L"localhost");
}
