#include "base/bin_file.h"

#include <string.h>

CBinFile::CBinFile(DWORD readBufferCapacity)
    : handle_(INVALID_HANDLE_VALUE),
      readBuffer_(nullptr),
      readPosition_(0),
      readFilled_(0),
      readCapacity_(readBufferCapacity)
{
}

CBinFile::~CBinFile()
{
    // Non-virtual on purpose: a derived class has already been torn down here, and
    // flushing is its own destructor's business.
    CBinFile::Close();
    if (readBuffer_)
        HeapFree(GetProcessHeap(), 0, readBuffer_);
}

bool CBinFile::Open(const wchar_t* path, DWORD access, DWORD share, DWORD disposition,
                    DWORD flagsAndAttributes)
{
    Close();
    if (!path) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    handle_ = CreateFileW(path, access, share, nullptr, disposition, flagsAndAttributes, nullptr);
    return IsOpen();
}

void CBinFile::Close()
{
    if (IsOpen()) {
        CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }
    // Whatever was buffered belongs to the file just closed.
    readPosition_ = 0;
    readFilled_ = 0;
}

DWORD CBinFile::Read(void* buffer, DWORD count)
{
    if (!IsOpen() || !buffer || count == 0) {
        SetLastError(IsOpen() ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return 0;
    }
    DWORD done = 0;
    if (!ReadFile(handle_, buffer, count, &done, nullptr))
        return 0;
    return done;
}

DWORD CBinFile::Write(const void* buffer, DWORD count)
{
    if (!IsOpen() || !buffer || count == 0) {
        SetLastError(IsOpen() ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return 0;
    }
    DWORD done = 0;
    if (!WriteFile(handle_, buffer, count, &done, nullptr))
        return 0;
    // A write that took less than asked (a pipe that does not wait) succeeds without a
    // reason, yet every caller fails on it.
    if (done < count)
        SetLastError(ERROR_WRITE_FAULT);
    return done;
}

bool CBinFile::SetTime(const FILETIME* creation, const FILETIME* lastAccess, const FILETIME* lastWrite)
{
    if (!IsOpen()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    return SetFileTime(handle_, creation, lastAccess, lastWrite) != FALSE;
}

ULONGLONG CBinFile::GetSize() const
{
    LARGE_INTEGER size;
    if (!IsOpen() || !GetFileSizeEx(handle_, &size))
        return 0;
    return static_cast<ULONGLONG>(size.QuadPart);
}

LONGLONG CBinFile::Seek(LONGLONG offset, DWORD method)
{
    if (!IsOpen()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return -1;
    }
    LARGE_INTEGER distance, position;
    distance.QuadPart = offset;
    if (!SetFilePointerEx(handle_, distance, &position, method))
        return -1;
    return position.QuadPart;
}

bool CBinFile::SetSize(LONGLONG size)
{
    if (!IsOpen() || size < 0) {
        SetLastError(IsOpen() ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return false;
    }
    return Seek(size, FILE_BEGIN) == size && SetEndOfFile(handle_);
}

bool CBinFile::OpenBuffered(const wchar_t* path, DWORD access, DWORD share, DWORD disposition)
{
    Close();
    readPosition_ = 0;
    readFilled_ = 0;
    if (readCapacity_ == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (!readBuffer_) {
        readBuffer_ = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, readCapacity_));
        if (!readBuffer_) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return false;
        }
    }
    return Open(path, access, share, disposition, FILE_ATTRIBUTE_NORMAL);
}

namespace {

// Collects a line into the caller's buffer, keeping at most size - 1 bytes.
struct LineSink
{
    BYTE* out;
    size_t limit;
    size_t stored;

    void Put(const BYTE* bytes, size_t count)
    {
        size_t room = limit - stored;
        size_t n = count < room ? count : room;
        memcpy(out + stored, bytes, n);
        stored += n;
    }
};

// After `matched` bytes of the delimiter were seen and then `next` did not continue it:
// the length of the longest delimiter prefix that ends the seen bytes (so that, with
// CR LF, CR CR LF still ends a line).
size_t FallbackMatch(const BYTE* delimiter, size_t matched, BYTE next)
{
    for (size_t k = matched; k > 0; --k) {
        // Do the last k bytes of delimiter[0..matched-1] + next equal delimiter[0..k-1]?
        if (delimiter[k - 1] != next)
            continue;
        if (memcmp(delimiter + (matched - (k - 1)), delimiter, k - 1) == 0)
            return k;
    }
    return 0;
}

} // namespace

LONGLONG CBinFile::ReadUntil(BYTE* out, size_t size, const BYTE* delimiter, size_t delimiterLength)
{
    if (!out || size < 2 || !delimiter || delimiterLength == 0 || !readBuffer_)
        return -1;

    LineSink line = { out, size - 1, 0 };
    size_t matched = 0;  // bytes of the delimiter seen so far, not yet line content
    bool ended = false;
    for (;;) {
        if (readPosition_ >= readFilled_) {
            readPosition_ = 0;
            readFilled_ = Read(readBuffer_, readCapacity_);
            if (readFilled_ == 0) {
                ended = true;  // a partial delimiter at the very end is dropped
                break;
            }
        }
        const BYTE* data = readBuffer_ + readPosition_;
        size_t available = readFilled_ - readPosition_;
        if (matched == 0) {
            // The common case: copy the run up to the delimiter's first byte at once.
            const void* hit = memchr(data, delimiter[0], available);
            size_t run = hit ? static_cast<size_t>(static_cast<const BYTE*>(hit) - data) : available;
            line.Put(data, run);
            readPosition_ += static_cast<DWORD>(run);
            if (!hit)
                continue;
            ++readPosition_;
            matched = 1;
        } else {
            BYTE next = *data;
            ++readPosition_;
            if (next == delimiter[matched]) {
                ++matched;
            } else {
                size_t kept = FallbackMatch(delimiter, matched, next);
                // The seen bytes that no longer start a delimiter are line content.
                if (kept == 0) {
                    line.Put(delimiter, matched);
                    line.Put(&next, 1);
                } else {
                    line.Put(delimiter, matched + 1 - kept);
                }
                matched = kept;
            }
        }
        if (matched == delimiterLength)
            break;
    }

    out[line.stored] = 0;
    if (ended && line.stored == 0)
        return -1;
    if (line.stored == line.limit)
        return -2;
    return static_cast<LONGLONG>(line.stored);
}

int CBinFile::WriteLine(const char* text, const char* delimiter, size_t delimiterLength)
{
    if (!text || !readBuffer_) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    size_t length = strnlen(text, 0x7FFFFFFF);
    if (length == 0 || length == 0x7FFFFFFF)
        return 1;

    DWORD unread = readFilled_ - readPosition_;
    if (unread > 0 && Seek(-static_cast<LONGLONG>(unread), FILE_CURRENT) < 0)
        return 0;
    // The file position is now the logical one. Bytes still buffered would be stale after
    // the write, and the next refill continues from the end of what is written here.
    readPosition_ = 0;
    readFilled_ = 0;

    if (Write(text, static_cast<DWORD>(length)) != length)
        return 0;
    if (delimiter && delimiterLength > 0) {
        if (delimiterLength > MAXDWORD)
            return 0;
        if (Write(delimiter, static_cast<DWORD>(delimiterLength)) != delimiterLength)
            return 0;
    }
    return 1;
}

LONGLONG CBinFile::Rewind()
{
    readPosition_ = 0;
    readFilled_ = 0;
    return Seek(0, FILE_BEGIN);
}
