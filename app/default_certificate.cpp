#include "app/default_certificate.h"

#include <windows.h>

#include "base/install_settings.h"
#include "base/module_resource.h"
#include "resources/certificate_ids.h"

void LoadDefaultCertificate()
{
    g_settings.default_certificate = nullptr;
    g_settings.default_certificate_size = 0;
    FindModuleResource(GetModuleHandleW(nullptr), RT_RCDATA, IDR_DEFAULT_CERTIFICATE,
                       &g_settings.default_certificate, &g_settings.default_certificate_size);
}
