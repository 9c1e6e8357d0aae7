#include "engine/payload_extractor.h"

#include "base/bin_file.h"
#include "base/install_settings.h"
#include "base/message_title.h"
#include "base/path_join.h"
#include "base/scoped_handle.h"
#include "base/setup_tools.h"
#include "formats/crypto/aes_cipher.h"
#include "formats/crypto/data_key.h"
#include "formats/language/language.h"
#include "formats/payload/payload_entry.h"

#include <string.h>
#include <zlib.h>

namespace {

const UINT kArchiveCorruptedMessage = 53;
const WORD kPayloadResourceId = 10;
const DWORD kArchivePrefixSize = 4;
const DWORD kMinimumArchiveSize = 8;

void ShowCorruptArchive(HWND owner)
{
    if (g_settings.force_auto)
        return;
    wchar_t text[512];
    g_language.GetString(kArchiveCorruptedMessage, text, 512);
    MessageBoxW(owner, text, kMessageBoxTitle, MB_OK | MB_ICONEXCLAMATION);
}

// Reports a failed file-system call with its system text and keeps its error.
bool FailWithSystemError()
{
    DWORD error = GetLastError();
    g_setupTools.ShowSystemError(error);
    SetLastError(error);
    return false;
}

// One extraction's working state: the inflater, the member being unpacked and where the
// output window stands. Nothing of it outlives the call.
class CPayloadExtractor
{
public:
    CPayloadExtractor(const PayloadJob& job, const wchar_t* backupDir)
        : job_(job), backupDir_(backupDir), stream_(), streamStarted_(false), ended_(false), entry_(),
          toCome_(0), skip_(false), carry_(false), next_(0), free_(kPayloadBufferSize)
    {
    }

    ~CPayloadExtractor()
    {
        if (streamStarted_)
            inflateEnd(&stream_);
        output_.Close();
    }

    bool Run(const BYTE* archive, DWORD size);

private:
    bool InflateChunk();
    bool Consume(DWORD position);
    bool StartMember();
    bool MakeDirectory(const wchar_t* target, DWORD attributes);
    void FinishMember();
    bool Corrupt();

    const PayloadJob& job_;
    const wchar_t* backupDir_;
    z_stream stream_;
    bool streamStarted_;
    bool ended_;         // the deflate stream's last block was inflated
    CAesCipher cipher_;
    PayloadEntry entry_;
    DWORD toCome_;       // content bytes of the current file still to come
    bool skip_;          // the current member is read past
    bool carry_;         // a partial entry waits at the start of the window
    DWORD next_;         // where the inflater writes next in the window
    DWORD free_;         // bytes free after next_
    CBinFile output_;
};

bool CPayloadExtractor::Corrupt()
{
    ShowCorruptArchive(job_.owner);
    SetLastError(ERROR_INVALID_DATA);
    return false;
}

bool CPayloadExtractor::Run(const BYTE* archive, DWORD size)
{
    if (inflateInit2(&stream_, -MAX_WBITS) != Z_OK) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    streamStarted_ = true;
    cipher_.SetKey(DataKey, kDataKeyBits);
    if (size < kMinimumArchiveSize) {
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }

    const BYTE* read = archive + kArchivePrefixSize;
    DWORD remaining = size - kArchivePrefixSize;
    while (remaining > 0 && !ended_) {
        DWORD n = remaining < kPayloadBufferSize ? remaining : kPayloadBufferSize;
        // Whole blocks go from the image straight into the buffer, many at a time. A
        // damaged size leaves a partial last block: it is copied and decrypted in the
        // buffer, its tail being whatever the buffer held.
        DWORD whole = n / CAesCipher::kBlockSize * CAesCipher::kBlockSize;
        cipher_.DecryptBlocks(read, job_.input, whole / CAesCipher::kBlockSize);
        if (whole < n) {
            memcpy(job_.input + whole, read + whole, n - whole);
            cipher_.DecryptBlock(job_.input + whole, job_.input + whole);
        }
        read += n;
        remaining -= n;
        stream_.next_in = job_.input;
        stream_.avail_in = n;
        if (!InflateChunk())
            return false;
    }
    // What follows the end of the deflate stream is the cipher's padding: not read.
    SetLastError(ERROR_SUCCESS);
    return true;
}

bool CPayloadExtractor::InflateChunk()
{
    // A call that filled the window may have left output inside the inflater even when
    // it took all of the input, so such a call is always followed by another one.
    while (stream_.avail_in > 0 || free_ == 0) {
        if (free_ == 0) {
            next_ = 0;
            free_ = kPayloadBufferSize;
        }
        DWORD consumer = carry_ ? 0 : next_;
        stream_.next_out = job_.window + next_;
        stream_.avail_out = free_;
        int result = inflate(&stream_, Z_BLOCK);
        DWORD produced = free_ - stream_.avail_out;
        next_ += produced;
        free_ = stream_.avail_out;
        if (result == Z_BUF_ERROR && produced == 0 && stream_.avail_in == 0)
            return true;  // nothing was left inside
        if (result != Z_OK && result != Z_STREAM_END) {
            SetLastError(ERROR_INVALID_DATA);
            return false;
        }
        if (!Consume(consumer))
            return false;
        if (result == Z_STREAM_END) {
            output_.Close();
            ended_ = true;
            return true;
        }
    }
    return true;
}

bool CPayloadExtractor::Consume(DWORD position)
{
    while (position < next_) {
        if (!output_.IsOpen() && !skip_) {
            DWORD left = next_ - position;
            if (left < sizeof(PayloadEntry)) {
                // The entry is completed by the next inflate call.
                memmove(job_.window, job_.window + position, left);
                next_ = left;
                free_ = kPayloadBufferSize - left;
                carry_ = true;
                return true;
            }
            memcpy(&entry_, job_.window + position, sizeof(PayloadEntry));
            carry_ = false;
            position += sizeof(PayloadEntry);
            if (!StartMember())
                return false;
            continue;
        }
        DWORD available = next_ - position;
        DWORD m = toCome_ < available ? toCome_ : available;
        if (!skip_ && output_.Write(job_.window + position, m) != m)
            return FailWithSystemError();
        position += m;
        toCome_ -= m;
        if (toCome_ == 0)
            FinishMember();
    }
    return true;
}

bool CPayloadExtractor::StartMember()
{
    // A name that could leave the installation folder, or a size no builder writes,
    // means the archive was damaged or forged.
    if (!IsSafeEntryName(entry_.name) || entry_.size < kPayloadDirectorySize)
        return Corrupt();

    wchar_t target[MAX_PATH];
    if (!JoinPath(target, g_settings.install_dir, entry_.name))
        return FailWithSystemError();
    bool directory = entry_.size == kPayloadDirectorySize;
    skip_ = false;
    if (backupDir_[0] != 0 && GetFileAttributesW(target) != INVALID_FILE_ATTRIBUTES) {
        if (entry_.replace == 0 && g_settings.upgrade) {
            skip_ = true;
        } else {
            wchar_t backup[MAX_PATH];
            if (!JoinPath(backup, backupDir_, entry_.name))
                return FailWithSystemError();
            if (directory)
                g_setupTools.CreateDirectoryTree(backup);
            else if (!MoveFileExW(target, backup, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
                return FailWithSystemError();
        }
    }

    DWORD attributes = entry_.attributes & kPayloadAttributeMask;
    if (attributes == 0)
        attributes = FILE_ATTRIBUTE_NORMAL;
    if (directory) {
        if (!skip_ && !MakeDirectory(target, attributes))
            return false;
        FinishMember();
        return true;
    }

    toCome_ = static_cast<DWORD>(entry_.size);
    if (!skip_) {
        if (!output_.Open(target, GENERIC_WRITE, 0, CREATE_ALWAYS, attributes))
            return FailWithSystemError();
        output_.SetTime(&entry_.creationTime, &entry_.lastAccessTime, &entry_.lastWriteTime);
    }
    if (toCome_ == 0)
        FinishMember();
    return true;
}

bool CPayloadExtractor::MakeDirectory(const wchar_t* target, DWORD attributes)
{
    if (!g_setupTools.CreateDirectoryTree(target))
        return FailWithSystemError();
    UniqueHandle folder(CreateFileW(target, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (folder)
        SetFileTime(folder.Get(), &entry_.creationTime, &entry_.lastAccessTime, &entry_.lastWriteTime);
    folder.Reset();
    SetFileAttributesW(target, attributes);
    return true;
}

void CPayloadExtractor::FinishMember()
{
    // Set once more at the end: file systems that stamp every write (FAT, and Wine's
    // Unix ones) would otherwise keep the time of the last write.
    if (output_.IsOpen())
        output_.SetTime(&entry_.creationTime, &entry_.lastAccessTime, &entry_.lastWriteTime);
    output_.Close();
    skip_ = false;
    toCome_ = 0;
    memset(&entry_, 0, sizeof(entry_));
}

}  // namespace

bool ExtractPayloadArchive(const PayloadJob& job, const BYTE* archive, DWORD size,
                           const wchar_t* backupDir)
{
    if (backupDir == nullptr || job.input == nullptr || job.window == nullptr || archive == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    CPayloadExtractor extractor(job, backupDir);
    return extractor.Run(archive, size);
}

bool ExtractPayload(const PayloadJob& job, const wchar_t* backupDir)
{
    if (backupDir == nullptr || job.input == nullptr || job.window == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    HRSRC resource = FindResourceW(job.module, MAKEINTRESOURCEW(kPayloadResourceId), L"EXT");
    if (resource == nullptr)
        return false;
    DWORD size = SizeofResource(job.module, resource);
    HGLOBAL loaded = LoadResource(job.module, resource);
    if (loaded == nullptr)
        return false;
    const BYTE* archive = static_cast<const BYTE*>(LockResource(loaded));
    if (archive == nullptr) {
        ShowCorruptArchive(job.owner);
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    // The image stays mapped with the module; it is never copied whole.
    return ExtractPayloadArchive(job, archive, size, backupDir);
}
