#pragma once
#include <windows.h>

// Whose certificate a PFX image holds and how long it is valid: the subject's name fields
// and the validity dates of its first certificate with a private key.
struct CertificateInfo
{
    wchar_t common_name[260];
    wchar_t locality[260];
    wchar_t organization[260];
    wchar_t organizational_unit[260];
    wchar_t email[260];
    wchar_t country[260];
    wchar_t state[260];
    wchar_t street[260];
    wchar_t title[260];
    wchar_t given_name[260];
    wchar_t initials[260];
    wchar_t surname[260];
    wchar_t domain_component[260];
    SYSTEMTIME valid_from;  // UTC
    SYSTEMTIME valid_to;    // UTC
};

// Reads `info` from the PFX image (password may be null). The caller clears `info`; only
// fields with values are written, nothing at all when no certificate has a private key.
// Returns a Win32 error code (0 on success), also left as the thread's last error.
DWORD ReadCertificateInfo(const BYTE* image, DWORD size, const wchar_t* password,
                          CertificateInfo* info);

// Fills the text fields of `info` from a subject name rendered by CertNameToStrW in the
// CERT_OID_NAME_STR form ("2.5.4.3=name, 2.5.4.10=organization, ...").
void FillSubjectFields(const wchar_t* name, CertificateInfo* info);
