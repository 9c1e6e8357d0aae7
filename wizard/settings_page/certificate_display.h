#pragma once
#include <windows.h>
#include <stddef.h>

#include "system/certificates/certificate_info.h"

// Reads the certificate of a PFX image for showing it: with `password`, and when that
// fails and the password is empty, once more without one. False when neither worked.
bool ReadShownCertificate(const BYTE* image, DWORD size, const wchar_t* password,
                          CertificateInfo& info);

// "organization ( expires YYYY.MM.DD )", with the current language's word for "expires".
void FormatCertificateCompany(const CertificateInfo& info, wchar_t* label, size_t capacity);

// True while `now` is not later than the valid-to date; a date that does not convert
// (the zero date of a cleared record) counts as time zero, so it is never valid.
bool CertificateStillValid(const SYSTEMTIME& validTo, const FILETIME& now);
