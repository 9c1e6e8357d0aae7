#include "formats/crypto/crypto_file.h"

#include "formats/crypto/crypto_file_seams.h"

#include <string.h>

namespace {

const BYTE kMagic[4] = {'V', 'L', 'C', 'F'};
const DWORD kFormatVersion = 1;

DWORD RoundUpToBlock(DWORD size)
{
    return (size + CAesCipher::kBlockSize - 1) / CAesCipher::kBlockSize * CAesCipher::kBlockSize;
}

}  // namespace

WriteFileCall g_writeFileCall = WriteFile;

CCryptoFile::CCryptoFile(bool readOnly, DWORD bufferSize)
    : CBinFile(0),
      header_(),
      headerArea_(),
      buffer_(nullptr),
      used_(0),
      capacity_(0),
      keySet_(false),
      headerWritten_(false),
      readOnly_(readOnly)
{
    memcpy(header_, kMagic, sizeof(kMagic));
    header_[4] = static_cast<BYTE>(kFormatVersion);
    // A size near 4 GiB would wrap when rounded up; such a buffer is refused.
    DWORD capacity = bufferSize <= 0xFFFFFFF0 ? RoundUpToBlock(bufferSize) : 0;
    if (capacity != 0) {
        buffer_ = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, capacity));
        if (buffer_)
            capacity_ = capacity;
    }
}

CCryptoFile::~CCryptoFile()
{
    if (buffer_) {
        SecureZeroMemory(buffer_, capacity_);
        HeapFree(GetProcessHeap(), 0, buffer_);
    }
}

bool CCryptoFile::Open(const wchar_t* path, DWORD share, DWORD disposition)
{
    DWORD access = readOnly_ ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
    bool opened = CBinFile::Open(path, access, share, disposition, 0);
    // The length and header of the file closed above belong to that file.
    headerWritten_ = false;
    used_ = 0;
    SetDataLength(0);
    return opened;
}

void CCryptoFile::Close()
{
    if (IsOpen() && used_ != 0)
        Flush();
    CBinFile::Close();
}

bool CCryptoFile::SetKey(const BYTE* key, int bits)
{
    keySet_ = cipher_.SetKey(key, bits);
    return keySet_;
}

ULONGLONG CCryptoFile::DataLength() const
{
    ULONGLONG length;
    memcpy(&length, header_ + kDataLengthOffset, sizeof(length));
    return length;
}

void CCryptoFile::SetDataLength(ULONGLONG length)
{
    memcpy(header_ + kDataLengthOffset, &length, sizeof(length));
}

bool CCryptoFile::WriteHeader()
{
    if (Seek(0, FILE_BEGIN) != 0)
        return false;
    for (DWORD offset = 0; offset < kHeaderAreaSize; offset += CAesCipher::kBlockSize)
        cipher_.EncryptBlock(headerArea_ + offset, header_ + kHeaderAreaOffset + offset);
    if (CBinFile::Write(header_, kHeaderSize) != kHeaderSize) {
        if (GetLastError() == ERROR_SUCCESS)
            SetLastError(ERROR_WRITE_FAULT);
        return false;
    }
    headerWritten_ = true;
    SetLastError(ERROR_SUCCESS);
    return true;
}

DWORD CCryptoFile::Write(const void* data, DWORD count)
{
    if (buffer_ == nullptr || !IsOpen() || !keySet_ || readOnly_) {
        SetLastError(readOnly_ ? ERROR_ACCESS_DENIED : ERROR_INVALID_HANDLE);
        return 0;
    }
    if (data == nullptr && count != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (!headerWritten_ && !WriteHeader())
        return 0;

    const BYTE* source = static_cast<const BYTE*>(data);
    DWORD accepted = 0;
    while (accepted < count) {
        DWORD piece = count - accepted;
        if (piece > capacity_ - used_)
            piece = capacity_ - used_;
        memcpy(buffer_ + used_, source + accepted, piece);
        used_ += piece;
        if (used_ == capacity_ && !Flush()) {
            // The piece is not counted, so it must not reach the file later either.
            used_ -= piece;
            break;
        }
        accepted += piece;
    }
    SetDataLength(DataLength() + accepted);
    return accepted;
}

bool CCryptoFile::Flush()
{
    if (!IsOpen() || buffer_ == nullptr || used_ == 0) {
        SetLastError(IsOpen() ? ERROR_NO_DATA : ERROR_INVALID_HANDLE);
        return false;
    }
    DWORD padded = RoundUpToBlock(used_);
    LONGLONG start = Seek(0, FILE_CURRENT);
    for (DWORD offset = 0; offset < padded; offset += CAesCipher::kBlockSize)
        cipher_.EncryptBlock(buffer_ + offset, buffer_ + offset);
    DWORD written = 0;
    if (!g_writeFileCall(handle_, buffer_, padded, &written, nullptr) || written != padded) {
        // Give the buffer its plaintext back and the file its position, so that a later
        // Flush writes the same data once, in the right place, encrypted once.
        DWORD error = GetLastError() != ERROR_SUCCESS ? GetLastError() : ERROR_WRITE_FAULT;
        for (DWORD offset = 0; offset < padded; offset += CAesCipher::kBlockSize)
            cipher_.DecryptBlock(buffer_ + offset, buffer_ + offset);
        if (start >= 0)
            Seek(start, FILE_BEGIN);
        SetLastError(error);
        return false;
    }

    // The data is in the file now, whatever happens to the length field below.
    used_ = 0;
    LONGLONG position = Seek(0, FILE_CURRENT);
    if (Seek(kDataLengthOffset, FILE_BEGIN) != kDataLengthOffset)
        return false;
    CBinFile::Write(header_ + kDataLengthOffset, sizeof(ULONGLONG));
    return position <= 0 || Seek(position, FILE_BEGIN) == position;
}
