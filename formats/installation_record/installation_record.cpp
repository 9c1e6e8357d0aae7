#include "formats/installation_record/installation_record.h"

#include "base/bounded_text.h"
#include "base/path_join.h"
#include "base/relative_path_rules.h"

const wchar_t kInstallationRecordName[] = L"uninstall.lst";

namespace {

const char kMadeFolderLine[] = "folder";
// A record of more is not one the setup wrote.
const DWORD kLargestRecord = 16 * 1024 * 1024;

bool RecordPath(const wchar_t* folder, wchar_t (&path)[MAX_PATH])
{
    return folder && JoinPath(path, folder, kInstallationRecordName);
}

bool WriteAll(HANDLE file, const char* bytes, DWORD count)
{
    DWORD written = 0;
    return WriteFile(file, bytes, count, &written, nullptr) && written == count;
}

} // namespace

InstallationRecordWriter::~InstallationRecordWriter()
{
    Close();
}

bool InstallationRecordWriter::Open(const wchar_t* folder, bool madeFolder)
{
    Close();
    wchar_t path[MAX_PATH];
    if (!RecordPath(folder, path))
        return false;
    file_ = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file_ == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file_, &size) || (size.QuadPart == 0 && madeFolder &&
                                         !WriteAll(file_, kMadeFolderLine, sizeof kMadeFolderLine - 1)) ||
        (size.QuadPart == 0 && madeFolder && !WriteAll(file_, "\r\n", 2))) {
        DWORD error = GetLastError();
        Close();
        SetLastError(error);
        return false;
    }
    return true;
}

bool InstallationRecordWriter::Add(RecordedKind kind, const wchar_t* path)
{
    if (file_ == INVALID_HANDLE_VALUE || !IsRelativePathKeptAsWritten(path)) {
        SetLastError(file_ == INVALID_HANDLE_VALUE ? ERROR_INVALID_HANDLE : ERROR_INVALID_NAME);
        return false;
    }
    char line[3 * MAX_PATH + 8];
    line[0] = static_cast<char>(kind);
    line[1] = ' ';
    int bytes = WideCharToMultiByte(CP_UTF8, 0, path, -1, line + 2, sizeof line - 4, nullptr, nullptr);
    if (bytes == 0)
        return false;
    // The converted text ends with its terminator, which the line end replaces.
    line[bytes + 1] = '\r';
    line[bytes + 2] = '\n';
    return WriteAll(file_, line, static_cast<DWORD>(bytes + 3));
}

void InstallationRecordWriter::Close()
{
    if (file_ != INVALID_HANDLE_VALUE)
        CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
}

InstallationRecord::~InstallationRecord()
{
    HeapFree(GetProcessHeap(), 0, text_);
    HeapFree(GetProcessHeap(), 0, starts_);
}

bool InstallationRecord::Load(const wchar_t* folder)
{
    wchar_t path[MAX_PATH];
    if (!RecordPath(folder, path))
        return false;
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD size = GetFileSize(file, nullptr);
    char* bytes = size != INVALID_FILE_SIZE && size <= kLargestRecord
                      ? static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, size + 1))
                      : nullptr;
    DWORD read = 0;
    bool readWhole = bytes && ReadFile(file, bytes, size, &read, nullptr) && read == size;
    CloseHandle(file);
    // As text: at most one character for each byte, and the lines' ends become ends.
    HeapFree(GetProcessHeap(), 0, text_);
    HeapFree(GetProcessHeap(), 0, starts_);
    text_ = readWhole ? static_cast<wchar_t*>(HeapAlloc(GetProcessHeap(), 0, (size + 1) * sizeof(wchar_t))) : nullptr;
    starts_ = readWhole ? static_cast<size_t*>(HeapAlloc(GetProcessHeap(), 0, (size / 4 + 1) * sizeof(size_t)))
                        : nullptr;
    int length = text_ && size > 0 ? MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes, static_cast<int>(size),
                                                         text_, static_cast<int>(size))
                                   : 0;
    HeapFree(GetProcessHeap(), 0, bytes);
    count_ = 0;
    passedOver_ = 0;
    madeFolder_ = false;
    if (!text_ || !starts_ || (size > 0 && length == 0)) {
        SetLastError(!readWhole || !text_ || !starts_ ? ERROR_OUTOFMEMORY : ERROR_INVALID_DATA);
        return false;
    }
    text_[length] = 0;
    for (int at = 0; at < length;) {
        int end = at;
        while (end < length && text_[end] != L'\n')
            ++end;
        if (end == length || end == at || text_[end - 1] != L'\r') {
            SetLastError(ERROR_INVALID_DATA);
            return false;
        }
        text_[end - 1] = 0;
        const wchar_t* line = text_ + at;
        if (at == 0 && lstrcmpW(line, L"folder") == 0) {
            madeFolder_ = true;
        } else if ((line[0] == L'D' || line[0] == L'F' || line[0] == L'T') && line[1] == L' ') {
            if (IsRelativePathKeptAsWritten(line + 2))
                starts_[count_++] = static_cast<size_t>(at + 2);
            else
                ++passedOver_;
        } else {
            SetLastError(ERROR_INVALID_DATA);
            return false;
        }
        at = end + 1;
    }
    return true;
}
