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

// Copies the open source file (opened buffered, for reading) into the open target file
// (opened buffered, for writing), every kept line ended by CR LF, without `domain`: a line
// that names it among other host names loses only that name, a line left without a host
// name goes. The target's position stays at the end of the copied text. False, with the
// reason in the last error, when the source could not be read whole or the target not
// written.
bool CopyHostsWithoutDomain(CBinFile& source, CBinFile& target, const char* domain);

// Makes sure `folder` exists, then gives its file "hosts" (created when missing) the
// content of the old one without `domain` (CopyHostsWithoutDomain), followed by the block
//   CR LF CR LF "# Added by Velmora Setup" CR LF <address> <domain> CR LF CR LF.
// The new content is written to a file beside the old one and flushed, then replaces it
// in one step that keeps the old file's rights, so that a crash or a full disk cannot
// leave half a hosts file: on any failure the old file stays byte for byte. False, with the
// reason in the last error, when anything fails.
bool AddHostsEntry(const wchar_t* folder, const sockaddr_in& address, const char* domain);

// The hosts file as it was before the setup changed it, put back byte for byte (or removed
// again when there was none) if the installation does not complete.
class SavedHostsFile
{
public:
    SavedHostsFile() = default;
    ~SavedHostsFile();
    SavedHostsFile(const SavedHostsFile&) = delete;
    SavedHostsFile& operator=(const SavedHostsFile&) = delete;

    // Reads the file "hosts" of `folder` (once). False, with the reason in the last error,
    // when it is there but could not be read.
    bool Save(const wchar_t* folder);
    // Replaces the file with the saved bytes in one step, as AddHostsEntry writes it.
    bool PutBack(const wchar_t* folder) const;

private:
    char* bytes_ = nullptr;
    DWORD size_ = 0;
    bool existed_ = false;
};
