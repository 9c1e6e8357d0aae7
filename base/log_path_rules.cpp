#include "base/log_path_rules.h"

#include <wchar.h>

namespace {

// Where the first folder below the root begins: after "X:\" or after "\\server\share\";
// 0 for any other form (a device or \\?\ path, a relative one).
size_t FirstComponent(const wchar_t* path)
{
    if (((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')) && path[1] == L':' &&
        path[2] == L'\\')
        return 3;
    if (path[0] != L'\\' || path[1] != L'\\' || path[2] == L'?' || path[2] == L'.' || path[2] == L'\\')
        return 0;
    const wchar_t* server = wcschr(path + 2, L'\\');
    if (!server || server == path + 2 || server[1] == L'\\' || server[1] == 0)
        return 0;
    const wchar_t* share = wcschr(server + 1, L'\\');
    return share ? static_cast<size_t>(share - path) + 1 : 0;
}

// The final path as the system names it, without its "\\?\" or "\\?\UNC\" prefix, against
// the path asked for.
bool SameFinalPath(const wchar_t* asked, const wchar_t* final)
{
    if (wcsncmp(final, L"\\\\?\\UNC\\", 8) == 0)
        return asked[0] == L'\\' && asked[1] == L'\\' && _wcsicmp(asked + 2, final + 8) == 0;
    if (wcsncmp(final, L"\\\\?\\", 4) == 0)
        final += 4;
    return _wcsicmp(asked, final) == 0;
}

} // namespace

LogRefusal JudgeLogPath(const wchar_t* fullPath, LogPathMachine& machine, bool& exists)
{
    exists = false;
    const size_t first = FirstComponent(fullPath);
    const size_t length = wcslen(fullPath);
    if (first == 0 || length <= first || length >= MAX_PATH || fullPath[length - 1] == L'\\')
        return LogRefusal::kBadPath;
    wchar_t part[MAX_PATH];
    for (size_t end = first; end <= length; ++end) {
        if (fullPath[end] != L'\\' && fullPath[end] != 0)
            continue;
        // "." and ".." would have the walk look at other folders than the file's.
        if (end == first || fullPath[end - 1] == L'\\')
            return LogRefusal::kBadPath;
        wmemcpy(part, fullPath, end);
        part[end] = 0;
        const wchar_t* name = wcsrchr(part, L'\\') + 1;
        if (wcscmp(name, L".") == 0 || wcscmp(name, L"..") == 0)
            return LogRefusal::kBadPath;
        const DWORD attributes = machine.EntryAttributes(part);
        const bool last = end == length;
        if (attributes == INVALID_FILE_ATTRIBUTES)
            return last ? LogRefusal::kNone : LogRefusal::kFolderMissing;
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
            return LogRefusal::kLinkInPath;
        if (last) {
            if (attributes & FILE_ATTRIBUTE_DIRECTORY)
                return LogRefusal::kIsFolder;
            exists = true;
        } else if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            return LogRefusal::kNotAFolder;
        }
    }
    return LogRefusal::kNone;
}

LogRefusal JudgeOpenedLog(const wchar_t* fullPath, const OpenedLogFacts& facts)
{
    if (facts.attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return LogRefusal::kLinkInPath;
    if (facts.attributes & FILE_ATTRIBUTE_DIRECTORY)
        return LogRefusal::kIsFolder;
    if (facts.links != 1)
        return LogRefusal::kHardLinks;
    // A folder swapped for a link after the walk shows here, where the system can tell.
    if (facts.finalPath && !SameFinalPath(fullPath, facts.finalPath))
        return LogRefusal::kElsewhere;
    // A file this run made is its own; one that was there must be an administrator's.
    // Last, so that a caller with a trust rule of its own for owners may go on from here.
    if (!facts.createdNow && !IsAdministrativeOrOwnOwner(facts.owner))
        return LogRefusal::kForeignOwner;
    return LogRefusal::kNone;
}

const wchar_t* LogRefusalText(LogRefusal refusal)
{
    switch (refusal) {
    case LogRefusal::kNone:
        return L"";
    case LogRefusal::kBadPath:
        return L"not a full path of a file on a drive or a share";
    case LogRefusal::kLinkInPath:
        return L"the path goes through a junction, a symbolic link or a mount point";
    case LogRefusal::kFolderMissing:
        return L"a folder of the path does not exist";
    case LogRefusal::kNotAFolder:
        return L"a part of the path is a file, not a folder";
    case LogRefusal::kIsFolder:
        return L"it is a folder";
    case LogRefusal::kHardLinks:
        return L"the file has more than one name (hard links)";
    case LogRefusal::kForeignOwner:
        return L"the file belongs to an account that is not an administrator";
    case LogRefusal::kElsewhere:
        return L"the opened file is not the one the path names";
    case LogRefusal::kSystemError:
        return L"the system refused it";
    }
    return L"";
}
