#pragma once
#include <winsock2.h>
#include <windows.h>
#include <stddef.h>

#include "base/bin_file.h"

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

// Rewrites the open file (opened buffered, for reading and writing) without the lines that
// name `domain`, every kept line ended by CR LF, and leaves the position at the end of the
// kept text. An empty file is left as it is. False, with the reason in the last error, when
// the file could not be read whole or not rewritten; the file is then unchanged or as far
// as the rewrite came.
bool RemoveHostsEntries(CBinFile& file, const char* domain);

// Makes sure `folder` exists, then in its file "hosts" (created when missing) replaces the
// lines that name `domain` by the block
//   CR LF CR LF "# Added by Velmora Setup" CR LF <address> <domain> CR LF CR LF.
// False, with the reason in the last error, when anything fails.
bool AddHostsEntry(const wchar_t* folder, const sockaddr_in& address, const char* domain);
