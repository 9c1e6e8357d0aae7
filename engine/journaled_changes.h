#pragma once
#include <winsock2.h>
#include <windows.h>

#include "engine/installation_rights.h"

// The setup's changes to the machine, each entered into g_undoJournal (engine/undo_journal.h)
// as soon as it has succeeded, so that a new installation that does not complete takes
// them back. What was there before stays: a certificate the store held already, the lines
// of the hosts file, another program's HTTPS binding, a folder that existed.

// CreateProtectedFolder; the topmost folder that it made goes again with all it holds.
bool CreateJournaledFolder(const wchar_t* folder);

// ImportServerCertificate; the certificate goes again when the store did not hold it.
DWORD ImportJournaledCertificate(const BYTE* image, DWORD size, const wchar_t* password, BYTE* hash,
                                 DWORD* hashLength, const wchar_t* storeName);

// AddRootCertificate; the certificate goes again when the store did not hold it.
DWORD AddJournaledRootCertificate(const BYTE* bytes, DWORD size, const wchar_t* storeName);

// EnsureServerTrustList; the list goes again when it was made here.
bool EnsureJournaledTrustList();

// SetSslBinding; the binding that the address had before comes back in its place.
bool SetJournaledSslBinding(const wchar_t* addressText, const BYTE* hash, DWORD hashLength);

// ProtectAdoptedFolder; a folder that held no installation (`foreign`) gets its owner and
// rights back, also after a walk that stopped half-way.
TreeRightsResult ProtectJournaledFolder(const wchar_t* folder, bool foreign);

// WriteUninstallEntry; an entry of the same service name that was there comes back, else
// the entry goes.
bool WriteJournaledUninstallEntry(const wchar_t* serviceName, const wchar_t* folder, DWORD estimatedKiB);

// WriteServiceCommand; the command line that the service had comes back.
bool SetJournaledServiceCommand(const wchar_t* serviceName, const wchar_t* command);

// AddHostsEntry; the hosts file gets its old bytes back.
bool AddJournaledHostsEntry(const wchar_t* folder, const sockaddr_in& address, const char* domain);

// Changes made elsewhere, entered once made.
// The installation in `folder`: removed by its record (RemoveRecordedInstallation).
void JournalInstallation(const wchar_t* folder);
// The program's links in the Start-menu group; the group goes when nothing else is in it.
void JournalShortcuts(const wchar_t* folder);
// The service `serviceName` registered for the server in `folder`.
void JournalService(const wchar_t* serviceName, const wchar_t* folder);
