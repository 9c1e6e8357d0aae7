#pragma once
#include <windows.h>
#include <stddef.h>

// Putting an installation back as it was before a run into it failed: an upgrade, or a
// new installation into a folder that was there. Such a run moves each file it replaces
// into its backup folder first (engine/payload_extractor.h) and records what it writes
// (formats/installation_record), so the backup holds what was there and the record what
// came.

// Where the installation's record stood before the run: the run's own entries follow it.
struct RecordMark
{
    bool existed = false;
    LONGLONG bytes = 0;
    size_t entries = 0;  // kUnknownEntries when the record could not be read
};

static const size_t kUnknownEntries = static_cast<size_t>(-1);

// Where the record of `folder` stands now; an unreadable record gives kUnknownEntries.
RecordMark MarkInstallationRecord(const wchar_t* folder);

// With the server stopped: every file in `backup` (a folder inside `folder`) goes back to
// its place in `folder` over what the run wrote there; each file the run recorded past
// `before` that has no twin in the backup was not there before and goes; then the backup
// and the (emptied) folders the run made go, and the record is cut back to `before`
// (deleted when there was none). An installation without a record keeps the run's list in
// the backup, under the record's name. Nothing behind a link is read, moved or deleted.
// A file that cannot be put back does not stop the others; the backup then stays (it
// holds that file's only copy), with the record's entries that name it. True when
// everything was put back; otherwise the first failure's reason is the last error.
bool RestoreInstallation(const wchar_t* folder, const wchar_t* backup, const RecordMark& before);
