#pragma once
#include <windows.h>

#include "formats/installation_memory/remembered_installation.h"

// What an installation made and found (formats/installation_memory), kept in the subkey
// "Installation" of its entry among the installed programs (system/uninstall/uninstall_entry.h),
// where administrators alone write. One value per field:
//   "Format" REG_DWORD 1, written last: a record without it is no record;
//   the things' provenances REG_DWORD (Provenance's numbers): "Folder", "ServerCertificate",
//     "RootCertificate", "TrustList", "Binding", "HostsBlock", "Service", "Shortcuts";
//   names REG_SZ: "TopmostMadeFolder", "KeyContainer", "BindingAddress", "ServiceName";
//   REG_BINARY: "ServerThumbprint", "RootThumbprint" (20 bytes each), "ReplacedCertificate",
//     "ReplacedBinding" (the serialized entry and binding, empty for none), "HostsDomain" and
//     "HostsAddress" (the hosts file's bytes, without a terminator), "HostsTakenLines" (the
//     number of lines as 32 bits, then for each its text before and after, 512 bytes each,
//     padded with zeros).
inline constexpr wchar_t kRememberedInstallationKeyName[] = L"Installation";

// Writes `record` for the installation of `serviceName`, in place of any record there. The
// entry must be there. False, with the reason in the last error, when it could not be
// written whole; no record is left then (ERROR_INVALID_DATA: a field of `record` does not
// fit its value, a text without its terminator).
bool WriteRememberedInstallation(const wchar_t* serviceName, const RememberedInstallation& record);

// Reads the record of the installation of `serviceName`. False, everything in `record`
// kUnknown, when there is none (ERROR_FILE_NOT_FOUND, also for a record without its
// "Format") or it is of another format (ERROR_UNKNOWN_REVISION). A value that is missing,
// of another type or size, or a provenance out of range makes its thing kUnknown and its
// data empty: a damaged record never makes a removal take more. Texts always end.
bool ReadRememberedInstallation(const wchar_t* serviceName, RememberedInstallation& record);

// Makes every thing of `record` kUnknown, without data: what is known of an installation
// that has no record.
void ForgetRememberedInstallation(RememberedInstallation& record);

// Deletes the record of `serviceName`; true when none is left, also when there was none.
bool RemoveRememberedInstallation(const wchar_t* serviceName);
