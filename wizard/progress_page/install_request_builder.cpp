#include "wizard/progress_page/install_request_builder.h"

#include <string.h>

#include "base/bounded_text.h"

// Written by the payload builder with the archive that setup.exe carries.
#include "velmora_server_payload_paths.h"

static_assert(kAdminAccountSize == kAdminAccountRecordSize, "the account record as the settings hold it");
static_assert(kServerLocaleSize == kServerLocaleRecordSize, "the locale record as the settings hold it");

namespace {

InstallKind KindOf(const InstallSettings& settings)
{
    if (settings.upgrade)
        return InstallKind::kUpgrade;
    return settings.folder_confirmed ? InstallKind::kConfirmedFolder : InstallKind::kNewFolder;
}

} // namespace

bool BuildInstallRequest(const InstallSettings& settings, CConfigFile& pages, InstallRequest& request)
{
    CopyText(request.folder, settings.install_dir);
    CopyText(request.service_name, settings.service_name);
    request.address = settings.server_address;
    memcpy(request.cert_thumbprint, settings.cert_thumbprint, sizeof(request.cert_thumbprint));
    request.kind = KindOf(settings);
    request.hosted = settings.saas_mode;
    CopyText(request.domain_name, settings.domain_name);
    CopyText(request.domain_name_ansi, settings.domain_name_ansi);
    memcpy(request.admin_account, AdminAccountRecord(settings), kAdminAccountSize);
    memcpy(request.server_locale, ServerLocaleRecord(settings), kServerLocaleSize);
    request.payload_bytes = kPayloadContentBytes;
    if (!request.configuration.CopyFrom(pages))
        return false;
    if (request.Upgrade())
        return true;
    const BYTE* b = reinterpret_cast<const BYTE*>(&settings.server_address.sin_addr);
    wchar_t ip[32];
    FormatText(ip, 32, L"%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
    return request.configuration.Set(L"server_ip", ip) &&
           (!settings.saas_mode || request.configuration.Set(L"server_mode", L"saas"));
}
