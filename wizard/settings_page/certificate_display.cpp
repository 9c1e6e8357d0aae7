#include "wizard/settings_page/certificate_display.h"

#include "base/bounded_text.h"
#include "base/message_ids.h"
#include "formats/language/language.h"

namespace {
}

bool ReadShownCertificate(const BYTE* image, DWORD size, const wchar_t* password,
                          CertificateInfo& info)
{
    ZeroMemory(&info, sizeof(info));
    if (ReadCertificateInfo(image, size, password, &info) == 0)
        return true;
    // An image exported with no password at all opens only without one.
    if (password && password[0])
        return false;
    ZeroMemory(&info, sizeof(info));
    return ReadCertificateInfo(image, size, nullptr, &info) == 0;
}

void FormatCertificateCompany(const CertificateInfo& info, wchar_t* label, size_t capacity)
{
    wchar_t expires[64] = {};
    g_language.GetString(kExpiresWord, expires, 64);
    FormatText(label, capacity, L"%s ( %s %04d.%02d.%02d )", info.organization, expires,
               info.valid_to.wYear, info.valid_to.wMonth, info.valid_to.wDay);
}

bool CertificateStillValid(const SYSTEMTIME& validTo, const FILETIME& now)
{
    FILETIME end = {};
    if (!SystemTimeToFileTime(&validTo, &end))
        end = FILETIME();
    return CompareFileTime(&now, &end) <= 0;
}
