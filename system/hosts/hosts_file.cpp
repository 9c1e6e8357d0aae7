#include "system/hosts/hosts_file.h"

#include <shlobj.h>
#include <string.h>

#include "base/bounded_text.h"
#include "base/setup_tools.h"

namespace {

const DWORD kReadBufferSize = 65536;
// Beyond this a hosts file is not a hosts file; it also keeps the work buffer's size in
// a DWORD.
const ULONGLONG kLargestHostsFile = 0x10000000;
const char kBlockComment[] = "\r\n\r\n# Added by Velmora Setup";
const char kLineEnd[] = "\r\n";
const char kBlockEnd[] = "\r\n\r\n";

bool IsNameSeparator(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '#';
}

} // namespace

bool GetHostsFolder(wchar_t* folder, size_t capacity)
{
    wchar_t system[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(nullptr, system, CSIDL_SYSTEM, FALSE))
        return false;
    wchar_t formed[MAX_PATH + 16] = {};
    FormatText(formed, L"%s\\drivers\\etc", system);
    if (!FitsInto(formed, capacity)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    CopyText(folder, capacity, formed);
    return true;
}

void FormatHostsAddress(const sockaddr_in& address, char* text, size_t capacity)
{
    if (address.sin_addr.s_addr == 0) {
        CopyText(text, capacity, "127.0.0.1 ");
        return;
    }
    const auto& b = address.sin_addr.S_un.S_un_b;
    FormatText(text, capacity, "%d.%d.%d.%d ", b.s_b1, b.s_b2, b.s_b3, b.s_b4);
}

bool HostsLineNamesDomain(const char* line, size_t length, const char* domain)
{
    size_t nameLength = strlen(domain);
    if (nameLength == 0)
        return false;
    // Only the part before a comment makes names resolve.
    const void* hash = memchr(line, '#', length);
    size_t active = hash ? static_cast<size_t>(static_cast<const char*>(hash) - line) : length;
    for (size_t at = 0; at + nameLength <= active; ++at) {
        if (memcmp(line + at, domain, nameLength) != 0)
            continue;
        bool startsName = at == 0 || IsNameSeparator(line[at - 1]);
        bool endsName = at + nameLength == active || IsNameSeparator(line[at + nameLength]);
        if (startsName && endsName)
            return true;
    }
    return false;
}

bool RemoveHostsEntries(CBinFile& file, const char* domain)
{
    ULONGLONG size = file.GetSize();
    if (size == 0)
        return true;
    if (size > kLargestHostsFile) {
        SetLastError(ERROR_OUTOFMEMORY);
        return false;
    }
    // Each line may grow by a CR (bare LF ends) and the last one by CR LF: at most twice
    // the file, and room enough that every read takes the whole rest of a line.
    size_t capacity = static_cast<size_t>(size) * 2 + 4;
    char* kept = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, capacity));
    if (!kept) {
        SetLastError(ERROR_OUTOFMEMORY);
        return false;
    }

    const BYTE lineFeed = '\n';
    size_t keptLength = 0;
    SetLastError(ERROR_SUCCESS);
    for (;;) {
        // The line is read straight behind the kept text; a dropped line is overwritten.
        char* line = kept + keptLength;
        LONGLONG length = file.ReadUntil(reinterpret_cast<BYTE*>(line), capacity - keptLength,
                                         &lineFeed, 1);
        if (length < 0)
            break;
        size_t bytes = static_cast<size_t>(length);
        if (bytes > 0 && line[bytes - 1] == '\r')
            --bytes;
        if (HostsLineNamesDomain(line, bytes, domain))
            continue;
        memcpy(line + bytes, kLineEnd, 2);
        keptLength += bytes + 2;
    }

    // A read that failed looks like the end of the file; writing back then would lose
    // the rest, so the file must have been read to its end.
    DWORD readError = GetLastError();
    bool done = false;
    if (file.Seek(0, FILE_CURRENT) != static_cast<LONGLONG>(size)) {
        SetLastError(readError != ERROR_SUCCESS ? readError : ERROR_READ_FAULT);
    } else {
        // Write gives 0 for a count of 0: a file of nothing but the domain's lines empties.
        done = file.Rewind() == 0 &&
               file.Write(kept, static_cast<DWORD>(keptLength)) == keptLength &&
               file.SetSize(static_cast<LONGLONG>(keptLength));
    }
    HeapFree(GetProcessHeap(), 0, kept);
    return done;
}

bool AddHostsEntry(const wchar_t* folder, const sockaddr_in& address, const char* domain)
{
    if (!domain || !*domain) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (!g_setupTools.CreateDirectoryTree(folder))
        return false;
    wchar_t path[MAX_PATH + 8] = {};
    FormatText(path, L"%s\\hosts", folder);
    if (!FitsInto(path, MAX_PATH)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }

    CBinFile file(kReadBufferSize);
    // Shared for reading only: nobody may write the file while it is rewritten.
    if (!file.OpenBuffered(path, GENERIC_ALL, FILE_SHARE_READ, OPEN_ALWAYS))
        return false;
    if (!RemoveHostsEntries(file, domain))
        return false;
    char addressText[32] = {};
    FormatHostsAddress(address, addressText, sizeof addressText);
    return file.WriteLine(kBlockComment, kLineEnd, 2) == 1 &&
           file.WriteLine(addressText) == 1 &&
           file.WriteLine(domain, kBlockEnd, 4) == 1;
}
