#include "app/default_certificate.h"

#include <windows.h>

#include "base/install_settings.h"
#include "resources/certificate_ids.h"

void LoadDefaultCertificate()
{
    g_settings.default_certificate = nullptr;
    g_settings.default_certificate_size = 0;
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(IDR_DEFAULT_CERTIFICATE), RT_RCDATA);
    if (!found)
        return;
    HGLOBAL loaded = LoadResource(module, found);
    const void* image = loaded ? LockResource(loaded) : nullptr;
    if (!image)
        return;
    // Resources stay mapped for the life of the module.
    g_settings.default_certificate = static_cast<const BYTE*>(image);
    g_settings.default_certificate_size = SizeofResource(module, found);
}
