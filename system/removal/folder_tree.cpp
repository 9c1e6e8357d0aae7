// An installation's folder tree, deleted entry by entry.
#include "system/removal/installation_removal.h"

#include "base/bounded_text.h"

namespace {

// Long-path form, so that trees deeper than MAX_PATH go too.
const wchar_t kLongPathPrefix[] = L"\\\\?\\";
const size_t kLongPathCapacity = 32768;

bool IsReparsePoint(DWORD attributes)
{
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// Removes the entry at `path` (of `length` characters in a buffer of kLongPathCapacity).
// A junction or symbolic link is removed itself: what it points to lies outside the tree.
// Goes on after a failure; the first failure's reason stays in `failure`.
void RemoveEntry(wchar_t* path, size_t length, DWORD attributes, DWORD& failure)
{
    if (attributes & FILE_ATTRIBUTE_READONLY)
        SetFileAttributesW(path, attributes & ~FILE_ATTRIBUTE_READONLY);
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !IsReparsePoint(attributes)) {
        if (length + 3 < kLongPathCapacity) {
            CopyText(path + length, kLongPathCapacity - length, L"\\*");
            WIN32_FIND_DATAW found;
            HANDLE search = FindFirstFileW(path, &found);
            for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found) != FALSE) {
                const wchar_t* name = found.cFileName;
                if (lstrcmpW(name, L".") == 0 || lstrcmpW(name, L"..") == 0)
                    continue;
                size_t childLength = length + 1 + lstrlenW(name);
                if (childLength >= kLongPathCapacity) {
                    failure = failure ? failure : ERROR_FILENAME_EXCED_RANGE;
                    continue;
                }
                path[length] = L'\\';
                CopyText(path + length + 1, kLongPathCapacity - length - 1, name);
                RemoveEntry(path, childLength, found.dwFileAttributes, failure);
            }
            if (search != INVALID_HANDLE_VALUE)
                FindClose(search);
            path[length] = 0;
        }
    }
    bool removed = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryW(path) : DeleteFileW(path);
    // Some file systems keep a link to a folder as a file: it then goes as one.
    if (!removed && IsReparsePoint(attributes))
        removed = DeleteFileW(path);
    if (!removed && failure == ERROR_SUCCESS)
        failure = GetLastError();
}

} // namespace

bool DeleteFolderTree(const wchar_t* folder)
{
    if (folder == nullptr || folder[0] == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    wchar_t* path = static_cast<wchar_t*>(HeapAlloc(GetProcessHeap(), 0, kLongPathCapacity * sizeof(wchar_t)));
    if (!path) {
        SetLastError(ERROR_OUTOFMEMORY);
        return false;
    }
    // A path that is already in long form or names another computer's share stays as it is.
    size_t prefix = folder[0] == L'\\' && folder[1] == L'\\' ? 0 : CopyText(path, kLongPathCapacity, kLongPathPrefix);
    size_t length = GetFullPathNameW(folder, static_cast<DWORD>(kLongPathCapacity - prefix), path + prefix, nullptr);
    DWORD failure = length == 0 ? GetLastError() : ERROR_SUCCESS;
    bool gone = false;
    if (length > 0 && prefix + length < kLongPathCapacity) {
        length += prefix;
        // Without it: "link\" would name what the link points to.
        if (path[length - 1] == L'\\')
            path[--length] = 0;
        // The folder's entry in its parent tells whether the folder itself is a link.
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW(path, &found);
        if (search != INVALID_HANDLE_VALUE) {
            FindClose(search);
            RemoveEntry(path, length, found.dwFileAttributes, failure);
        }
        gone = GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES;
    } else if (length > 0) {
        failure = ERROR_FILENAME_EXCED_RANGE;
    }
    HeapFree(GetProcessHeap(), 0, path);
    if (!gone)
        SetLastError(failure != ERROR_SUCCESS ? failure : ERROR_DIR_NOT_EMPTY);
    return gone;
}
