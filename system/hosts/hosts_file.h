#pragma once
#include <winsock2.h>
#include <windows.h>
#include <stddef.h>

#include "base/bin_file.h"
#include "base/scoped_handle.h"
#include "formats/installation_memory/remembered_installation.h"

// The system's hosts file: the server's domain name made resolvable on this computer.
// The file holds bytes in the ANSI code page; lines are written with CR LF and read up to
// LF, so that files edited with bare LF ends lose none of their entries.

// The hosts file's folder, "<system folder>\drivers\etc". False when the system folder
// cannot be found or the folder does not fit.
bool GetHostsFolder(wchar_t* folder, size_t capacity);

// The address text of the block: "a.b.c.d " (first byte first, one trailing blank), or
// "127.0.0.1 " for the any address.
void FormatHostsAddress(const sockaddr_in& address, char* text, size_t capacity);

// True when `domain` stands in the line (of `length` bytes) as a whole host name before
// any "#": the line then makes the name resolve and is to be replaced.
bool HostsLineNamesDomain(const char* line, size_t length, const char* domain);

// Copies the open source file (opened buffered, for reading) into the open target file
// (opened buffered, for writing), every kept line ended by CR LF, without `domain`: a line
// that names it among other host names loses only that name, a line left without a host
// name goes. Each such line is recorded in `taken` (count set from 0), as it was and as it
// was left, so that the name can be given back. The target's position stays at the end of
// the copied text. False, with the reason in the last error, when the source could not be
// read whole or the target not written; ERROR_NOT_SUPPORTED when the lines naming the
// domain cannot all be recorded (more than HostsTakenLines::kCapacity, one longer than
// its field, or one holding a NUL byte).
bool CopyHostsWithoutDomain(CBinFile& source, CBinFile& target, const char* domain, HostsTakenLines& taken);

// Makes sure `folder` exists, then gives its file "hosts" (created when missing) the
// content of the old one without `domain` (CopyHostsWithoutDomain), followed by the block
//   CR LF CR LF "# Added by Velmora Setup" CR LF <address> <domain> CR LF CR LF.
// The new content is written to a file beside the old one and flushed, then replaces it
// in one step that keeps the old file's rights, so that a crash or a full disk cannot
// leave half a hosts file: on any failure the old file stays byte for byte. The lines that
// named the domain go to `taken` (when not null; its count is 0 after a failure). False,
// with the reason in the last error, when anything fails; ERROR_NOT_SUPPORTED, before any
// change, for a file whose lines naming the domain cannot all be recorded.
bool AddHostsEntry(const wchar_t* folder, const sockaddr_in& address, const char* domain, HostsTakenLines* taken);

// How many lines of the file "hosts" of `folder` name `domain` (HostsLineNamesDomain): the
// ones AddHostsEntry would take the name off. 0 for a missing file; -1, with the reason in
// the last error, when it cannot be read.
int CountHostsLinesNaming(const wchar_t* folder, const char* domain);

// Takes back what AddHostsEntry made: rewrites the file "hosts" of `folder`, in the same one
// step, without the block for `address` and `domain` and with the names in `taken` given
// back (TakeBackHostsText); every other line stays byte for byte. `namesLeft` (may be null)
// receives how many names could not be given back because their lines were changed since,
// for the caller to log; a missing file leaves all of them. A missing file or folder is
// nothing to do; the file is never deleted. False, with the reason in the last error, when
// the file could not be read or replaced.
bool RemoveHostsEntry(const wchar_t* folder, const sockaddr_in& address, const char* domain,
                      const HostsTakenLines& taken, int* namesLeft);
