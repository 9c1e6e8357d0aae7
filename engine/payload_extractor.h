#pragma once
#include <windows.h>

#include <atomic>

#include "engine/install_reporter.h"
#include "formats/installation_record/installation_record.h"

// What the caller (the installation) lends to one extraction.
struct PayloadJob
{
    InstallReporter* reporter = nullptr;  // takes the failures' messages; null: none shown
    BYTE* input = nullptr;      // kPayloadBufferSize bytes: the decrypted ciphertext
    BYTE* window = nullptr;     // kPayloadBufferSize bytes: one of the inflated stream's buffers
    HMODULE module = nullptr;   // module carrying the archive; nullptr for the program itself
    const std::atomic<bool>* cancel = nullptr;  // true: stop; may be null
    InstallationRecordWriter* record = nullptr;  // takes each file written and folder made; may be null
};

static const DWORD kPayloadBufferSize = 65536;

// Unpacks the "EXT" resource 10 of `job.module` into g_settings.install_dir. During an
// upgrade with a non-empty `backupDir`, each existing file that is replaced is moved into
// `backupDir` under the same relative path first, and existing files whose entry is
// marked to stay are left alone; an empty `backupDir` overwrites in place. An entry whose
// path reaches through a link in the folder is refused (ERROR_CANT_ACCESS_FILE), as what
// it would write or move lies outside. Tells the
// reporter of a corrupt archive and of a failed file operation; false on failure, the
// reason in the thread's last error (ERROR_CANCELLED after a cancel). A second thread
// inflates ahead of the calling one, which creates and writes the files.
bool ExtractPayload(const PayloadJob& job, const wchar_t* backupDir);

// The same for an archive image already in memory (4-byte prefix, then the ciphertext).
bool ExtractPayloadArchive(const PayloadJob& job, const BYTE* archive, DWORD size,
                           const wchar_t* backupDir);
