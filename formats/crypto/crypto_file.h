#pragma once
#include <windows.h>

#include "base/bin_file.h"
#include "formats/crypto/aes_cipher.h"

// A file of a 736-byte header and AES-128-ECB data: magic "VLCF", version 1, an
// encrypted all-zero header area and, at offset 689, the count of plaintext bytes.
// Data is gathered in a buffer and encrypted in place a whole buffer at a time.
class CCryptoFile : public CBinFile
{
public:
    static const DWORD kHeaderSize = 736;
    static const DWORD kHeaderAreaOffset = 16;
    static const DWORD kHeaderAreaSize = 672;
    static const DWORD kDataLengthOffset = 689;

    // `bufferSize` is rounded up to a multiple of 16; when it cannot be allocated the
    // capacity is 0 and every Write returns 0.
    CCryptoFile(bool readOnly, DWORD bufferSize);
    // Frees the buffer and closes without flushing: call Close (or Flush) first.
    ~CCryptoFile() override;

    // GENERIC_READ, plus GENERIC_WRITE unless read-only. A file still open is closed
    // (and so flushed) first; the new file starts with no data.
    bool Open(const wchar_t* path, DWORD share, DWORD disposition);
    // Flush, then close the handle.
    void Close() override;

    bool SetKey(const BYTE* key, int bits);
    // Bytes accepted; 0 without buffer, open file or key, or when read-only.
    DWORD Write(const void* data, DWORD count);
    // Encrypts and writes what is buffered, then stores the running data length in the
    // header. False with nothing buffered.
    bool Flush();

    ULONGLONG DataLength() const;
    DWORD BufferCapacity() const { return capacity_; }

private:
    bool WriteHeader();
    void SetDataLength(ULONGLONG length);

    CAesCipher cipher_;
    BYTE header_[kHeaderSize];
    BYTE headerArea_[kHeaderAreaSize];
    BYTE* buffer_;
    DWORD used_;
    DWORD capacity_;
    bool keySet_;
    bool headerWritten_;
    bool readOnly_;
};
