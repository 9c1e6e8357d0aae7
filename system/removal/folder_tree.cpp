// An installation's folder tree, deleted entry by entry through handles. A folder that an
// ordinary user can write may have a subfolder swapped for a junction or symbolic link at
// any moment, so no entry is ever reached by a path: each folder is listed through its
// open handle, each entry opened relative to that handle without following a link, and a
// folder only entered when its own handle shows a plain folder, the very one listed.
// Everything here is in ntdll since Windows XP.
#include "system/removal/installation_removal.h"
#include "system/removal/folder_tree_seams.h"

#include <wchar.h>

#include <memory>
#include <string>
#include <vector>

#include "base/bounded_text.h"
#include "base/scoped_handle.h"

// Not declared by the headers the program builds with.
extern "C" NTSTATUS NTAPI NtQueryDirectoryFile(HANDLE folder, HANDLE event, PIO_APC_ROUTINE apc, void* apcContext,
                                               IO_STATUS_BLOCK* io, void* buffer, ULONG length,
                                               FILE_INFORMATION_CLASS kind, BOOLEAN singleEntry,
                                               UNICODE_STRING* name, BOOLEAN restart);

OpenEntryCall g_openEntryCall = NtOpenFile;

namespace {

// Long-path form, so that trees deeper than MAX_PATH go too.
const wchar_t kLongPathPrefix[] = L"\\\\?\\";
const size_t kLongPathCapacity = 32768;

const NTSTATUS kNameNotFound = static_cast<NTSTATUS>(0xC0000034L);
const NTSTATUS kDeletePending = static_cast<NTSTATUS>(0xC0000056L);

bool IsReparsePoint(DWORD attributes)
{
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool IsFolder(DWORD attributes)
{
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Keeps the first failure's reason.
void Note(DWORD& failure, DWORD error)
{
    if (failure == ERROR_SUCCESS)
        failure = error;
}

// An entry that went in the meantime is no failure.
bool IsGone(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// One entry as its folder's listing shows it.
struct ListedEntry
{
    UNICODE_STRING name;  // in the listing; lasts until its next entry is read
    DWORD attributes;
    LONGLONG id;  // the file system's number of the file; 0 or -1 where it keeps none
};

// A folder's entries, read in turns through its open handle.
class FolderListing
{
public:
    // `only`: just the entry of that name (which holds no wildcard); null: all of them.
    FolderListing(HANDLE folder, const UNICODE_STRING* only) : folder_(folder), only_(only) {}
    FolderListing(const FolderListing&) = delete;
    FolderListing& operator=(const FolderListing&) = delete;

    // The next entry other than "." and "..", or false at the end of the listing and when
    // it cannot be read (the reason then noted in `failure`).
    bool Next(ListedEntry& entry, DWORD& failure)
    {
        for (;;) {
            if (next_ == kNone && !Read(failure))
                return false;
            const auto* found = reinterpret_cast<const FILE_ID_BOTH_DIR_INFORMATION*>(buffer_ + next_);
            next_ = found->NextEntryOffset != 0 ? next_ + found->NextEntryOffset : kNone;
            const USHORT bytes = static_cast<USHORT>(found->FileNameLength);
            const bool dots = found->FileName[0] == L'.' &&
                              (bytes == sizeof(wchar_t) || (bytes == 2 * sizeof(wchar_t) && found->FileName[1] == L'.'));
            if (dots)
                continue;
            entry.name.Buffer = const_cast<wchar_t*>(found->FileName);
            entry.name.Length = entry.name.MaximumLength = bytes;
            entry.attributes = found->FileAttributes;
            entry.id = found->FileId.QuadPart;
            return true;
        }
    }

private:
    static constexpr ULONG kNone = ~0UL;

    bool Read(DWORD& failure)
    {
        IO_STATUS_BLOCK io = {};
        NTSTATUS status = NtQueryDirectoryFile(folder_, nullptr, nullptr, nullptr, &io, buffer_, sizeof(buffer_),
                                               FileIdBothDirectoryInformation, FALSE,
                                               started_ ? nullptr : const_cast<UNICODE_STRING*>(only_), !started_);
        started_ = true;
        DWORD error = RtlNtStatusToDosError(status);
        if (error != ERROR_SUCCESS && error != ERROR_NO_MORE_FILES && error != ERROR_FILE_NOT_FOUND)
            Note(failure, error);
        if (error != ERROR_SUCCESS || io.Information == 0)
            return false;
        next_ = 0;
        return true;
    }

    HANDLE folder_;
    const UNICODE_STRING* only_;
    bool started_ = false;
    ULONG next_ = kNone;  // where the next entry lies in the buffer
    // Room for at least one entry of the longest name.
    alignas(LARGE_INTEGER) BYTE buffer_[2048];
};

// Opens the entry `name` of the folder open as `folder` for `access` and reading its
// attributes: the entry itself, a link too, never what a link leads to.
NTSTATUS OpenInFolder(HANDLE folder, UNICODE_STRING& name, ACCESS_MASK access, UniqueHandle& entry)
{
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &name, OBJ_CASE_INSENSITIVE, folder, nullptr);
    IO_STATUS_BLOCK io = {};
    HANDLE opened = nullptr;
    NTSTATUS status = g_openEntryCall(&opened, access | FILE_READ_ATTRIBUTES | SYNCHRONIZE, &attributes, &io,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      FILE_OPEN_REPARSE_POINT | FILE_OPEN_FOR_BACKUP_INTENT |
                                          FILE_SYNCHRONOUS_IO_NONALERT);
    entry.Reset(NT_SUCCESS(status) ? opened : INVALID_HANDLE_VALUE);
    return status;
}

enum class EntryAction { kEnter, kDelete, kLeave };

// What becomes of an entry, decided by its open handle and checked against the listing:
// where the system shows links, the handle of a link is the link's own; where it does not
// (a Unix host's links under Wine, some network shares) the handle is what the link leads
// to, and then the listing still shows the link, or shows another file than the handle
// holds when the entry was swapped after the listing.
EntryAction ActionFor(const ListedEntry& listed, const BY_HANDLE_FILE_INFORMATION& opened)
{
    if (IsReparsePoint(opened.dwFileAttributes))
        return EntryAction::kDelete;  // the link itself
    LONGLONG openedId = static_cast<LONGLONG>(opened.nFileIndexHigh) << 32 | opened.nFileIndexLow;
    bool sameFile = listed.id == 0 || listed.id == -1 || openedId == 0 || openedId == listed.id;
    if (IsReparsePoint(listed.attributes) || !sameFile)
        return EntryAction::kLeave;  // reached through a link
    // A folder listed as a file was opened without the right to list it: it goes if empty.
    return IsFolder(opened.dwFileAttributes) && IsFolder(listed.attributes) ? EntryAction::kEnter
                                                                            : EntryAction::kDelete;
}

// Deletes the entry open as `entry`, a read-only one too.
void DeleteOpened(HANDLE entry, DWORD attributes, DWORD& failure)
{
    IO_STATUS_BLOCK io = {};
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        FILE_BASIC_INFORMATION plain = {};  // times of 0 stay as they are
        plain.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        NtSetInformationFile(entry, &io, &plain, sizeof(plain), FileBasicInformation);
    }
    FILE_DISPOSITION_INFORMATION disposition = {TRUE};
    Note(failure, RtlNtStatusToDosError(
                      NtSetInformationFile(entry, &io, &disposition, sizeof(disposition), FileDispositionInformation)));
}

// A folder entered to be emptied, and then deleted, through its handle.
struct EnteredFolder
{
    EnteredFolder(UniqueHandle folder, DWORD folderAttributes)
        : handle(std::move(folder)), attributes(folderAttributes), listing(handle.Get(), nullptr)
    {
    }
    UniqueHandle handle;
    DWORD attributes;
    FolderListing listing;
};

// Removes what `listing` shows of the folder open as `folder`, each entry with all it
// holds. What cannot go is skipped; the first failure's reason is noted in `failure`. The
// folders entered are kept on the heap: a tree may be deeper than the stack allows.
void RemoveEntries(HANDLE folder, FolderListing& listing, DWORD& failure)
{
    std::vector<std::unique_ptr<EnteredFolder>> entered;  // the deepest last
    for (;;) {
        HANDLE current = entered.empty() ? folder : entered.back()->handle.Get();
        FolderListing& currentListing = entered.empty() ? listing : entered.back()->listing;
        ListedEntry listed;
        if (!currentListing.Next(listed, failure)) {
            if (entered.empty())
                return;
            DeleteOpened(current, entered.back()->attributes, failure);
            entered.pop_back();
            continue;
        }
        UniqueHandle entry;
        ACCESS_MASK access = DELETE | FILE_WRITE_ATTRIBUTES | (IsFolder(listed.attributes) ? FILE_LIST_DIRECTORY : 0);
        DWORD error = RtlNtStatusToDosError(OpenInFolder(current, listed.name, access, entry));
        BY_HANDLE_FILE_INFORMATION opened;
        if (error == ERROR_SUCCESS && !GetFileInformationByHandle(entry.Get(), &opened))
            error = GetLastError();
        if (error != ERROR_SUCCESS) {
            if (!IsGone(error))
                Note(failure, error);
            continue;
        }
        switch (ActionFor(listed, opened)) {
        case EntryAction::kEnter:
            entered.push_back(std::make_unique<EnteredFolder>(std::move(entry), opened.dwFileAttributes));
            break;
        case EntryAction::kDelete:
            DeleteOpened(entry.Get(), opened.dwFileAttributes, failure);
            break;
        case EntryAction::kLeave:
            break;
        }
    }
}

} // namespace

bool DeleteFolderTree(const wchar_t* folder)
{
    if (folder == nullptr || folder[0] == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    std::vector<wchar_t> buffer(kLongPathCapacity);
    wchar_t* path = buffer.data();
    // A path that is already in long form or names another computer's share stays as it is.
    size_t prefix = folder[0] == L'\\' && folder[1] == L'\\' ? 0 : CopyText(path, kLongPathCapacity, kLongPathPrefix);
    size_t length = GetFullPathNameW(folder, static_cast<DWORD>(kLongPathCapacity - prefix), path + prefix, nullptr);
    if (length == 0)
        return false;
    if (prefix + length >= kLongPathCapacity) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    length += prefix;
    // Without it the folder would not be named as an entry of its parent ("link\" names
    // what the link points to).
    if (path[length - 1] == L'\\')
        path[--length] = 0;

    // The folder is removed as an entry of its parent, as every entry below it is, and so
    // is itself a link that is removed, not followed. The parent is opened by its path
    // (links on the way to it are the caller's); a drive's root keeps its backslash.
    wchar_t* separator = wcsrchr(path + prefix, L'\\');
    wchar_t* leaf = separator != nullptr ? separator + 1 : nullptr;
    if (leaf == nullptr || leaf[0] == 0 || wcspbrk(leaf, L"*?<>\"") != nullptr) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    UNICODE_STRING name;
    name.Buffer = leaf;
    name.Length = name.MaximumLength = static_cast<USHORT>((path + length - leaf) * sizeof(wchar_t));
    const std::wstring parentPath(path, separator[-1] == L':' ? leaf : separator);
    UniqueHandle parent(CreateFileW(parentPath.c_str(), FILE_LIST_DIRECTORY | SYNCHRONIZE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!parent)
        return IsGone(GetLastError());

    DWORD failure = ERROR_SUCCESS;
    FolderListing onlyFolder(parent.Get(), &name);
    RemoveEntries(parent.Get(), onlyFolder, failure);
    UniqueHandle left;
    NTSTATUS status = OpenInFolder(parent.Get(), name, 0, left);
    bool gone = status == kNameNotFound || status == kDeletePending;
    if (!gone)
        SetLastError(failure != ERROR_SUCCESS ? failure : ERROR_DIR_NOT_EMPTY);
    return gone;
}
