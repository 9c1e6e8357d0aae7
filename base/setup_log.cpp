#include "base/setup_log.h"

#include "base/bounded_text.h"
#include "base/checked_path.h"
#include "base/object_security.h"

CSetupLog g_setupLog;

namespace {

const size_t kLineCapacity = 2048;
// The stamp, the line, its end: each UTF-16 unit gives at most three bytes.
const size_t kBytesCapacity = (kLineCapacity + 32) * 3;

} // namespace

LogRefusal CSetupLog::Open(const wchar_t* path, Opening opening)
{
    Close();
    bool exists = false;
    LogRefusal refusal = JudgePathOnDisk(path, exists);
    if (refusal != LogRefusal::kNone)
        return refusal;
    if (exists && opening == Opening::kCreateOnly) {
        SetLastError(ERROR_FILE_EXISTS);
        return LogRefusal::kSystemError;
    }
    UniqueLocalMemory rights;
    if (!exists && !PrivateFileSecurity(rights))
        return LogRefusal::kSystemError;
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), rights.Get(), FALSE};
    // Opening the link itself, not what it names: a link made after the walk is refused
    // below rather than followed to a file the administrator never meant. A file made
    // meanwhile by somebody else makes the creation fail, never reuses theirs.
    UniqueHandle file(CreateFileW(path, FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | READ_CONTROL, FILE_SHARE_READ,
                                  exists ? nullptr : &attributes, exists ? OPEN_EXISTING : CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file)
        return LogRefusal::kSystemError;
    refusal = JudgeOpenedFile(path, file.Get(), !exists);
    if (refusal != LogRefusal::kNone)
        return refusal;
    file_ = static_cast<UniqueHandle&&>(file);
    return LogRefusal::kNone;
}

void CSetupLog::Line(const wchar_t* format, ...) const
{
    va_list args;
    va_start(args, format);
    LineV(format, args);
    va_end(args);
}

void CSetupLog::LineV(const wchar_t* format, va_list args) const
{
    if (!file_)
        return;
    DWORD error = GetLastError();
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    wchar_t line[kLineCapacity + 32] = {};
    size_t length = FormatText(line, kLineCapacity + 32, L"%04u-%02u-%02u %02u:%02u:%02u.%03u  ", now.wYear,
                               now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
    FormatTextV(line + length, kLineCapacity, format, args);
    for (wchar_t* scan = line; *scan; ++scan)
        if (*scan == L'\r' || *scan == L'\n')
            *scan = L' ';
    char bytes[kBytesCapacity];
    int size = WideCharToMultiByte(CP_UTF8, 0, line, -1, bytes, static_cast<int>(kBytesCapacity) - 2, nullptr,
                                   nullptr);
    if (size > 0) {
        bytes[size - 1] = '\r';
        bytes[size] = '\n';
        DWORD written = 0;
        // One write per line, straight to the system: lines of two threads never
        // interleave, and a process killed after it still leaves the line in the file.
        WriteFile(file_.Get(), bytes, static_cast<DWORD>(size + 1), &written, nullptr);
    }
    // Logging never changes what the caller reports.
    SetLastError(error);
}
