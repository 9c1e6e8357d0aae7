#include "base/checked_path.h"

#include "base/owner_kind.h"
#include "base/system_function.h"

namespace {

class LocalPathMachine final : public LogPathMachine
{
public:
    // The entry's own attributes: a link is not followed.
    DWORD EntryAttributes(const wchar_t* path) override { return GetFileAttributesW(path); }
};

// The path the system names for the open `file`, where it has the call (Windows Vista and
// later; looked up, as XP lacks it).
bool FinalPathOf(HANDLE file, wchar_t* path, DWORD capacity)
{
    typedef DWORD(WINAPI * FinalPathCall)(HANDLE, LPWSTR, DWORD, DWORD);
    static const auto call = SystemFunction<FinalPathCall>(L"kernel32.dll", "GetFinalPathNameByHandleW");
    if (!call)
        return false;
    DWORD length = call(file, path, capacity, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    return length > 0 && length < capacity;
}

} // namespace

LogRefusal JudgePathOnDisk(const wchar_t* fullPath, bool& exists)
{
    LocalPathMachine machine;
    return JudgeLogPath(fullPath, machine, exists);
}

LogRefusal JudgeOpenedFile(const wchar_t* fullPath, HANDLE file, bool createdNow)
{
    BY_HANDLE_FILE_INFORMATION information = {};
    if (!GetFileInformationByHandle(file, &information))
        return LogRefusal::kSystemError;
    wchar_t finalPath[MAX_PATH + 8] = {};
    // The final path names the file in its long form.
    wchar_t longPath[MAX_PATH] = {};
    DWORD longLength = GetLongPathNameW(fullPath, longPath, MAX_PATH);
    OpenedLogFacts facts = {information.dwFileAttributes, information.nNumberOfLinks, createdNow,
                            createdNow ? OwnerKind::kRunningAccount : FileOwnerKind(file),
                            FinalPathOf(file, finalPath, MAX_PATH + 8) ? finalPath : nullptr};
    return JudgeOpenedLog(longLength > 0 && longLength < MAX_PATH ? longPath : fullPath, facts);
}
