#pragma once
#include <windows.h>

#include <atomic>

#include "formats/installation_record/installation_record.h"

// What an extraction would do, counted instead of done.
struct PayloadTally
{
    DWORD files = 0;              // files it would write
    ULONGLONG bytes = 0;          // ... and their bytes
    DWORD replaced = 0;           // of them, ones there now, moved into the backup first when there is one
    ULONGLONG replaced_bytes = 0; // ... and the bytes those hold now
    DWORD kept = 0;               // files there now that an upgrade keeps
    DWORD folders = 0;            // folders it would make
};

// What the caller (the installation) lends to one extraction.
struct PayloadJob
{
    BYTE* input = nullptr;      // kPayloadBufferSize bytes: the decrypted ciphertext
    BYTE* window = nullptr;     // kPayloadBufferSize bytes: one of the inflated stream's buffers
    HMODULE module = nullptr;   // module carrying the archive; nullptr for the program itself
    const std::atomic<bool>* cancel = nullptr;  // true: stop; may be null
    InstallationRecordWriter* record = nullptr;  // takes each file written and folder made; may be null
    const wchar_t* folder = L"";  // the installation folder that the archive unpacks into
    bool keepUnmarked = false;    // an upgrade: existing files whose entry is marked to stay are kept
    bool* corrupt = nullptr;      // set when the archive is damaged or forged; may be null
    PayloadTally* tally = nullptr;  // a preview: nothing is written, made or moved, only counted
};

static const DWORD kPayloadBufferSize = 65536;

// Unpacks the "EXT" resource 10 of `job.module` into `job.folder`. During an
// upgrade (`job.keepUnmarked`) with a non-empty `backupDir`, each existing file that is replaced is moved into
// `backupDir` under the same relative path first, and existing files whose entry is
// marked to stay are left alone; an empty `backupDir` overwrites in place. An entry whose
// path reaches through a link in the folder is refused (ERROR_CANT_ACCESS_FILE), as what
// it would write or move lies outside. Tells nobody: false on failure, the reason in the
// thread's last error (ERROR_CANCELLED after a cancel), and `*job.corrupt` set when the
// archive itself is at fault. A second thread
// inflates ahead of the calling one, which creates and writes the files.
bool ExtractPayload(const PayloadJob& job, const wchar_t* backupDir);

// The same for an archive image already in memory (4-byte prefix, then the ciphertext).
bool ExtractPayloadArchive(const PayloadJob& job, const BYTE* archive, DWORD size,
                           const wchar_t* backupDir);
