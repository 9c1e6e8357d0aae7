#include "system/hosts/hosts_file.h"

#include <shlobj.h>
#include <string.h>

#include "base/bounded_text.h"
#include "base/scoped_handle.h"
#include "base/setup_tools.h"
#include "base/whole_format.h"
#include "base/wow64.h"
#include "system/hosts/hosts_take_back.h"

namespace {

const DWORD kReadBufferSize = 65536;
// Beyond this a hosts file is not a hosts file; it also keeps the work buffer's size in
// a DWORD.
const ULONGLONG kLargestHostsFile = 0x10000000;
const char kLineEnd[] = "\r\n";
const char kLineEndTwice[] = "\r\n\r\n";

bool IsNameSeparator(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '#';
}

// Takes `domain` out of the line where it stands as a whole host name before any "#",
// together with the blanks in front of it. The line's new length.
size_t RemoveHostName(char* line, size_t length, const char* domain)
{
    size_t nameLength = strlen(domain);
    for (size_t at = 0; at + nameLength <= length && line[at] != '#'; ++at) {
        if (memcmp(line + at, domain, nameLength) != 0 || (at > 0 && !IsNameSeparator(line[at - 1])) ||
            (at + nameLength < length && !IsNameSeparator(line[at + nameLength])))
            continue;
        size_t from = at;
        while (from > 0 && (line[from - 1] == ' ' || line[from - 1] == '\t'))
            --from;
        memmove(line + from, line + at + nameLength, length - at - nameLength);
        length -= at + nameLength - from;
        at = from;
    }
    return length;
}

// The words before any "#": an address and at least one name make a line that resolves.
int ActiveWords(const char* line, size_t length)
{
    int words = 0;
    for (size_t at = 0; at < length && line[at] != '#'; ++at)
        if (!IsNameSeparator(line[at]) && (at == 0 || IsNameSeparator(line[at - 1])))
            ++words;
    return words;
}

// Records the line (of `length` bytes) as it was, with an empty `after` (the line went
// whole) until the caller sets what is left of it. Null when it cannot be recorded in full:
// the name could then not be given back.
HostsTakenLine* RecordTakenLine(HostsTakenLines& taken, const char* line, size_t length)
{
    if (taken.count >= HostsTakenLines::kCapacity || length >= sizeof taken.lines[0].before ||
        memchr(line, '\0', length))
        return nullptr;
    HostsTakenLine& record = taken.lines[taken.count++];
    memcpy(record.before, line, length);
    record.before[length] = '\0';
    record.after[0] = '\0';
    return &record;
}

// Gives `to` the access rights of `from`. The replacement keeps them on Windows by itself,
// but not every implementation of it does, and a hosts file that users may write is a way
// to redirect the computer's names.
bool CopyFileRights(const wchar_t* from, const wchar_t* to)
{
    DWORD size = 0;
    GetFileSecurityW(from, DACL_SECURITY_INFORMATION, nullptr, 0, &size);
    if (size == 0)
        return false;
    void* descriptor = HeapAlloc(GetProcessHeap(), 0, size);
    if (!descriptor) {
        SetLastError(ERROR_OUTOFMEMORY);
        return false;
    }
    bool copied = GetFileSecurityW(from, DACL_SECURITY_INFORMATION, descriptor, size, &size) &&
                  SetFileSecurityW(to, DACL_SECURITY_INFORMATION, descriptor);
    HeapFree(GetProcessHeap(), 0, descriptor);
    return copied;
}

// The paths of the hosts file in `folder` and of the new file written beside it.
bool HostsPaths(const wchar_t* folder, wchar_t (&path)[MAX_PATH + 8], wchar_t (&newPath)[MAX_PATH + 24])
{
    FormatText(path, L"%s\\hosts", folder);
    FormatText(newPath, L"%s\\hosts.velmora-new", folder);
    if (FitsInto(newPath, MAX_PATH))
        return true;
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
}

// Puts the written and flushed new file in the place of the hosts file in one step, with
// the old file's rights; the new file goes when that fails. `error` is the writing's
// failure (ERROR_SUCCESS when it was written); it stays the last error.
bool CommitHostsFile(const wchar_t* path, const wchar_t* newPath, bool existed, bool written, DWORD error)
{
    if (written)
        written = existed ? CopyFileRights(path, newPath) && ReplaceFileW(path, newPath, nullptr, 0, nullptr, nullptr)
                          : MoveFileExW(newPath, path, MOVEFILE_WRITE_THROUGH);
    if (!written) {
        if (error == ERROR_SUCCESS || GetLastError() != ERROR_SUCCESS)
            error = GetLastError();
        DeleteFileW(newPath);
        SetLastError(error != ERROR_SUCCESS ? error : ERROR_WRITE_FAULT);
    }
    return written;
}

// Writes `size` bytes to the new file beside the hosts file and flushes them. False, with
// the reason in the last error, when it could not be written whole.
bool WriteNewHostsFile(const wchar_t* newPath, const char* bytes, DWORD size)
{
    // A new file left behind by a run that was stopped half-way holds nothing of value.
    DeleteFileW(newPath);
    CBinFile target;
    bool written = target.Open(newPath, GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL) &&
                   (size == 0 || target.Write(bytes, size) == size) && FlushFileBuffers(target.Handle());
    DWORD error = GetLastError();
    target.Close();
    SetLastError(error);
    return written;
}

// Reads the open file whole into `bytes` (at least one byte allocated). False, with the
// reason in the last error, when it is too large or could not be read.
bool ReadWholeHostsFile(CBinFile& file, UniqueLocalMemory& bytes, DWORD* size)
{
    ULONGLONG fileSize = file.GetSize();
    if (fileSize > kLargestHostsFile) {
        SetLastError(ERROR_OUTOFMEMORY);
        return false;
    }
    *size = static_cast<DWORD>(fileSize);
    bytes.Reset(LocalAlloc(LMEM_FIXED, *size ? *size : 1));
    if (!bytes) {
        SetLastError(ERROR_OUTOFMEMORY);
        return false;
    }
    return file.Read(bytes.Get(), *size) == *size;
}

} // namespace

bool GetHostsFolder(wchar_t* folder, size_t capacity)
{
    wchar_t system[MAX_PATH] = {};
    if (RunsUnderWow64()) {
        // The system folder's name leads a 32-bit program to the 32-bit copy of the
        // folder, whose hosts file the system does not read; Sysnative is the native one
        // (Vista and later). 64-bit XP and Server 2003 have no such name: the 64-bit setup
        // is theirs.
        wchar_t windows[MAX_PATH] = {};
        UINT length = GetSystemWindowsDirectoryW(windows, MAX_PATH);
        if (length == 0 || length >= MAX_PATH)
            return false;
        if (!FormatWhole(system, MAX_PATH, L"%s\\Sysnative", windows))
            return false;
        if (GetFileAttributesW(system) == INVALID_FILE_ATTRIBUTES) {
            SetLastError(ERROR_NOT_SUPPORTED);
            return false;
        }
    } else if (!SHGetSpecialFolderPathW(nullptr, system, CSIDL_SYSTEM, FALSE)) {
        return false;
    }
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

bool CopyHostsWithoutDomain(CBinFile& source, CBinFile& target, const char* domain, HostsTakenLines& taken)
{
    taken.count = 0;
    ULONGLONG size = source.GetSize();
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
    bool unrecordable = false;
    SetLastError(ERROR_SUCCESS);
    for (;;) {
        // The line is read straight behind the kept text; a dropped line is overwritten.
        char* line = kept + keptLength;
        LONGLONG length = source.ReadUntil(reinterpret_cast<BYTE*>(line), capacity - keptLength,
                                           &lineFeed, 1);
        if (length < 0)
            break;
        size_t bytes = static_cast<size_t>(length);
        if (bytes > 0 && line[bytes - 1] == '\r')
            --bytes;
        if (HostsLineNamesDomain(line, bytes, domain)) {
            HostsTakenLine* record = RecordTakenLine(taken, line, bytes);
            if (!record) {
                unrecordable = true;
                break;
            }
            bytes = RemoveHostName(line, bytes, domain);
            if (ActiveWords(line, bytes) < 2)
                continue;
            memcpy(record->after, line, bytes);
            record->after[bytes] = '\0';
        }
        memcpy(line + bytes, kLineEnd, 2);
        keptLength += bytes + 2;
    }

    // A read that failed looks like the end of the file; the copy would then lose the
    // rest, so the file must have been read to its end.
    DWORD readError = GetLastError();
    bool done = false;
    if (unrecordable)
        SetLastError(ERROR_NOT_SUPPORTED);
    else if (source.Seek(0, FILE_CURRENT) != static_cast<LONGLONG>(size))
        SetLastError(readError != ERROR_SUCCESS ? readError : ERROR_READ_FAULT);
    else
        // Write gives 0 for a count of 0: a file of nothing but the domain's lines empties.
        done = target.Write(kept, static_cast<DWORD>(keptLength)) == keptLength;
    HeapFree(GetProcessHeap(), 0, kept);
    if (!done)
        taken.count = 0;
    return done;
}

int CountHostsLinesNaming(const wchar_t* folder, const char* domain)
{
    wchar_t path[MAX_PATH + 8] = {};
    wchar_t newPath[MAX_PATH + 24] = {};
    if (!HostsPaths(folder, path, newPath))
        return -1;
    CBinFile file;
    if (!file.Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL))
        return GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND ? 0 : -1;
    UniqueLocalMemory text;
    DWORD size = 0;
    if (!ReadWholeHostsFile(file, text, &size))
        return -1;
    const char* bytes = static_cast<const char*>(text.Get());
    int naming = 0;
    for (DWORD start = 0; start < size;) {
        DWORD end = start;
        while (end < size && bytes[end] != '\n')
            ++end;
        if (HostsLineNamesDomain(bytes + start, end - start, domain))
            ++naming;
        start = end + 1;
    }
    return naming;
}

bool AddHostsEntry(const wchar_t* folder, const sockaddr_in& address, const char* domain, HostsTakenLines* taken)
{
    HostsTakenLines unrecorded;
    HostsTakenLines& record = taken ? *taken : unrecorded;
    record.count = 0;
    if (!domain || !*domain) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (!g_setupTools.CreateDirectoryTree(folder))
        return false;
    wchar_t path[MAX_PATH + 8] = {};
    wchar_t newPath[MAX_PATH + 24] = {};
    if (!HostsPaths(folder, path, newPath))
        return false;

    // Held shared for reading only until it is replaced: nobody may write it meanwhile.
    CBinFile source(kReadBufferSize);
    bool existed = source.OpenBuffered(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    if (!existed && GetLastError() != ERROR_FILE_NOT_FOUND)
        return false;
    // A new file left behind by a run that was stopped half-way holds nothing of value.
    DeleteFileW(newPath);
    CBinFile target(kReadBufferSize);
    char addressText[32] = {};
    FormatHostsAddress(address, addressText, sizeof addressText);
    bool written = target.OpenBuffered(newPath, GENERIC_READ | GENERIC_WRITE, 0, CREATE_NEW) &&
                   (!existed || CopyHostsWithoutDomain(source, target, domain, record)) &&
                   target.WriteLine(kLineEndTwice) == 1 &&
                   target.WriteLine(kHostsBlockComment, kLineEnd, 2) == 1 &&
                   target.WriteLine(addressText) == 1 &&
                   target.WriteLine(domain, kLineEndTwice, 4) == 1 &&
                   FlushFileBuffers(target.Handle());
    DWORD error = GetLastError();
    target.Close();
    source.Close();
    if (!CommitHostsFile(path, newPath, existed, written, error)) {
        record.count = 0;
        return false;
    }
    return true;
}

bool RemoveHostsEntry(const wchar_t* folder, const sockaddr_in& address, const char* domain,
                      const HostsTakenLines& taken, int* namesLeft)
{
    if (namesLeft)
        *namesLeft = 0;
    if (!domain || !*domain) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    wchar_t path[MAX_PATH + 8] = {};
    wchar_t newPath[MAX_PATH + 24] = {};
    if (!HostsPaths(folder, path, newPath))
        return false;

    // Held shared for reading only until it is replaced, as AddHostsEntry holds it.
    CBinFile source;
    if (!source.Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL)) {
        if (GetLastError() != ERROR_FILE_NOT_FOUND && GetLastError() != ERROR_PATH_NOT_FOUND)
            return false;
        // Whoever deleted the file took the names with it.
        if (namesLeft)
            *namesLeft = TakenLineCount(taken);
        SetLastError(ERROR_SUCCESS);
        return true;
    }
    UniqueLocalMemory text;
    DWORD size = 0;
    if (!ReadWholeHostsFile(source, text, &size))
        return false;
    size_t capacity = HostsTakeBackCapacity(size);
    UniqueLocalMemory kept(LocalAlloc(LMEM_FIXED, capacity));
    if (!kept) {
        SetLastError(ERROR_OUTOFMEMORY);
        return false;
    }
    char addressText[32] = {};
    FormatHostsAddress(address, addressText, sizeof addressText);
    HostsTakeBack takeBack;
    if (!TakeBackHostsText(static_cast<const char*>(text.Get()), size, addressText, domain, taken,
                           static_cast<char*>(kept.Get()), capacity, &takeBack))
        return false;
    bool written = WriteNewHostsFile(newPath, static_cast<const char*>(kept.Get()),
                                     static_cast<DWORD>(takeBack.length));
    DWORD error = written ? ERROR_SUCCESS : GetLastError();
    source.Close();
    if (!CommitHostsFile(path, newPath, true, written, error))
        return false;
    if (namesLeft)
        *namesLeft = takeBack.names_left;
    return true;
}
