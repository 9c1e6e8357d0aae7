#include "engine/payload_extractor.h"

#include "base/bin_file.h"
#include "base/link_check.h"
#include "base/path_join.h"
#include "base/scoped_handle.h"
#include "base/setup_tools.h"
#include "engine/folder_times.h"
#include "engine/payload_inflater.h"
#include "engine/payload_ring.h"
#include "formats/payload/payload_entry.h"

#include <string.h>

namespace {

const WORD kPayloadResourceId = 10;
const DWORD kMinimumArchiveSize = 8;

static_assert(kPayloadBufferSize == CPayloadRing::kSlotSize, "the lent buffers are ring-sized");

bool FailCorrupt(const PayloadJob& job)
{
    if (job.corrupt)
        *job.corrupt = true;
    SetLastError(ERROR_INVALID_DATA);
    return false;
}



// One extraction: the writer's side, on the calling thread. A second thread decrypts
// and inflates ahead of it into a small ring of buffers, so that inflating overlaps
// creating and writing the files; folders get their times when everything is written.
// A failed file-system call fails the extraction with that call's own last error.
class CPayloadExtractor
{
public:
    CPayloadExtractor(const PayloadJob& job, const wchar_t* backupDir)
        : job_(job), backupDir_(backupDir), entry_(), entryBytes_(0), toCome_(0), skip_(false)
    {
    }

    bool Run(const BYTE* archive, DWORD size);

private:
    bool Write();
    bool Consume(const BYTE* data, DWORD length);
    bool StartMember();
    bool MakeDirectory(const wchar_t* target, DWORD attributes);
    bool Tally(const wchar_t* target, bool directory);
    void FinishMember();
    bool Corrupt();
    bool Cancelled() const { return job_.cancel != nullptr && job_.cancel->load(); }

    const PayloadJob& job_;
    const wchar_t* backupDir_;
    CPayloadRing ring_;
    PayloadEntry entry_;
    DWORD entryBytes_;   // bytes of the next entry gathered so far
    DWORD toCome_;       // content bytes of the current file still to come
    bool skip_;          // the current member is read past
    CBinFile output_;
    CFolderTimes folders_;
};

bool CPayloadExtractor::Corrupt()
{
    return FailCorrupt(job_);
}

bool CPayloadExtractor::Run(const BYTE* archive, DWORD size)
{
    if (size < kMinimumArchiveSize) {
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    if (!ring_.Create(job_.window))
        return false;
    CPayloadInflater inflater(ring_, job_.input, archive, size);
    if (!inflater.Start())
        return false;
    bool written = Write();
    DWORD error = GetLastError();
    if (!written)
        ring_.Stop();
    inflater.Join();
    output_.Close();
    folders_.Apply();
    SetLastError(written ? ERROR_SUCCESS : error);
    return written;
}

bool CPayloadExtractor::Write()
{
    for (;;) {
        // Checked once per 64 KiB of output, so a cancel ends the extraction at once.
        if (Cancelled()) {
            SetLastError(ERROR_CANCELLED);
            return false;
        }
        CPayloadRing::Slot* slot = ring_.NextFilled();
        if (!slot)
            return false;
        bool consumed = Consume(slot->data, slot->length);
        bool last = slot->last;
        DWORD error = slot->error;
        ring_.Empty();
        if (!consumed)
            return false;
        if (last) {
            SetLastError(error);
            return error == ERROR_SUCCESS;
        }
    }
}

bool CPayloadExtractor::Consume(const BYTE* data, DWORD length)
{
    DWORD position = 0;
    while (position < length) {
        if (toCome_ == 0) {
            // An entry may be split between two buffers.
            DWORD wanted = sizeof(PayloadEntry) - entryBytes_, left = length - position;
            DWORD take = wanted < left ? wanted : left;
            memcpy(reinterpret_cast<BYTE*>(&entry_) + entryBytes_, data + position, take);
            entryBytes_ += take;
            position += take;
            if (entryBytes_ < sizeof(PayloadEntry))
                return true;
            entryBytes_ = 0;
            if (!StartMember())
                return false;
            continue;
        }
        DWORD available = length - position;
        DWORD m = toCome_ < available ? toCome_ : available;
        if (!skip_ && output_.Write(data + position, m) != m)
            return false;
        position += m;
        toCome_ -= m;
        if (toCome_ == 0)
            FinishMember();
    }
    return true;
}
bool CPayloadExtractor::StartMember()
{
    // A name that could leave the installation folder or that Windows reads as another,
    // or a size no builder writes, means the archive was damaged or forged.
    if (!NormalizeEntryName(entry_.name) || entry_.size < kPayloadDirectorySize)
        return Corrupt();

    wchar_t target[MAX_PATH];
    if (!JoinPath(target, job_.folder, entry_.name))
        return false;
    // Written, moved or made through a link, it would land outside the installation.
    if (CrossesLink(job_.folder, entry_.name) ||
        (backupDir_[0] != 0 && GetFileAttributesW(target) != INVALID_FILE_ATTRIBUTES &&
         BackupCrossesLink(job_.folder, backupDir_, entry_.name))) {
        SetLastError(ERROR_CANT_ACCESS_FILE);
        return false;
    }
    bool directory = entry_.size == kPayloadDirectorySize;
    if (job_.tally)
        return Tally(target, directory);
    skip_ = false;
    if (backupDir_[0] != 0 && GetFileAttributesW(target) != INVALID_FILE_ATTRIBUTES) {
        if (entry_.replace == 0 && job_.keepUnmarked) {
            skip_ = true;
        } else {
            wchar_t backup[MAX_PATH];
            if (!JoinPath(backup, backupDir_, entry_.name))
                return false;
            if (directory)
                g_setupTools.CreateDirectoryTree(backup);
            else if (!MoveFileExW(target, backup, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
                return false;
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
            return false;
        if (job_.record && !job_.record->Add(RecordedKind::kFile, entry_.name))
            return false;
    }
    if (toCome_ == 0)
        FinishMember();
    return true;
}

// The preview's side of StartMember: the member is read past, and what writing it would
// do is counted by the same rules.
bool CPayloadExtractor::Tally(const wchar_t* target, bool directory)
{
    PayloadTally& tally = *job_.tally;
    WIN32_FILE_ATTRIBUTE_DATA there = {};
    const bool exists = GetFileAttributesExW(target, GetFileExInfoStandard, &there) != FALSE;
    skip_ = true;
    if (directory) {
        tally.folders += exists ? 0 : 1;
        FinishMember();
        return true;
    }
    if (exists && backupDir_[0] != 0 && entry_.replace == 0 && job_.keepUnmarked) {
        ++tally.kept;
    } else {
        ++tally.files;
        tally.bytes += entry_.size;
        if (exists) {
            ++tally.replaced;
            tally.replaced_bytes += (static_cast<ULONGLONG>(there.nFileSizeHigh) << 32) | there.nFileSizeLow;
        }
    }
    toCome_ = static_cast<DWORD>(entry_.size);
    if (toCome_ == 0)
        FinishMember();
    return true;
}

bool CPayloadExtractor::MakeDirectory(const wchar_t* target, DWORD attributes)
{
    bool existed = GetFileAttributesW(target) != INVALID_FILE_ATTRIBUTES;
    if (!g_setupTools.CreateDirectoryTree(target))
        return false;
    if (!existed && job_.record && !job_.record->Add(RecordedKind::kFolder, entry_.name))
        return false;
    if (!folders_.Remember(target, entry_, attributes))
        return false;
    return true;
}

void CPayloadExtractor::FinishMember()
{
    // Set when the content is written: file systems that stamp every write (FAT, and
    // Wine's Unix ones) would otherwise keep the time of the last write.
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
    if (backupDir == nullptr || job.input == nullptr || job.window == nullptr || archive == nullptr ||
        !job.folder || !job.folder[0]) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    CPayloadExtractor extractor(job, backupDir);
    return extractor.Run(archive, size);
}

bool ExtractPayload(const PayloadJob& job, const wchar_t* backupDir)
{
    if (backupDir == nullptr || job.input == nullptr || job.window == nullptr || !job.folder || !job.folder[0]) {
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
    if (archive == nullptr)
        return FailCorrupt(job);
    // The image stays mapped with the module; it is never copied whole.
    return ExtractPayloadArchive(job, archive, size, backupDir);
}
