#pragma once
#include <windows.h>
#include <stddef.h>

// A Win32 file with an optional read buffer, a delimiter-based line reader and a line
// writer. Failures are reported by results; the reason is the thread's last error.
class CBinFile
{
public:
    // `readBufferCapacity` in bytes; 0 for a file that is only used with Open.
    explicit CBinFile(DWORD readBufferCapacity = 0);
    virtual ~CBinFile();
    CBinFile(const CBinFile&) = delete;
    CBinFile& operator=(const CBinFile&) = delete;

    // Closes first, then CreateFileW. True when a handle is open.
    virtual bool Open(const wchar_t* path, DWORD access, DWORD share, DWORD disposition,
                      DWORD flagsAndAttributes);
    virtual void Close();

    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE Handle() const { return handle_; }

    // Bytes transferred; 0 when closed, without a buffer, for a count of 0, or on failure.
    // A short write that the system reports as done leaves ERROR_WRITE_FAULT.
    DWORD Read(void* buffer, DWORD count);
    DWORD Write(const void* buffer, DWORD count);
    bool SetTime(const FILETIME* creation, const FILETIME* lastAccess, const FILETIME* lastWrite);
    // 0 on failure.
    ULONGLONG GetSize() const;
    // New position, or -1 on failure. `method` is FILE_BEGIN, FILE_CURRENT or FILE_END.
    LONGLONG Seek(LONGLONG offset, DWORD method);
    bool SetSize(LONGLONG size);

    // Buffered work: opens with the read buffer (allocated on first use, kept across
    // reopenings).
    bool OpenBuffered(const wchar_t* path, DWORD access, DWORD share, DWORD disposition);
    // One line up to the delimiter sequence. Returns the bytes stored (0 for an empty line),
    // -1 at the end of the file with nothing stored, -2 when the line filled `out`
    // (size - 1 bytes); the rest of such a line is consumed. `out` is always terminated.
    LONGLONG ReadUntil(BYTE* out, size_t size, const BYTE* delimiter, size_t delimiterLength);
    // Writes `text` then the delimiter at the logical position reached by reading.
    // 1 on success (also for an empty text, which writes nothing), 0 on a short write,
    // -1 when the text is missing or the file was not opened buffered.
    int WriteLine(const char* text, const char* delimiter = nullptr, size_t delimiterLength = 0);
    // To the beginning, read buffer emptied. New position (0), or -1 on failure.
    LONGLONG Rewind();

protected:
    HANDLE handle_;
    BYTE* readBuffer_;
    DWORD readPosition_;
    DWORD readFilled_;
    DWORD readCapacity_;
};
