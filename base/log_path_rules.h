#pragma once
#include <windows.h>

#include "base/owner_kind.h"

// Whether the setup, running as an administrator, may write its log at a path. Anyone may
// have made a folder or a file on the way first: a link in any folder of the path would
// have the log written (and a file created with the setup's rights) somewhere else, an
// existing file made by a user would let that user read every later log or keep it open.

enum class LogRefusal
{
    kNone,            // safe: go on
    kBadPath,         // not a full path on a drive or a share
    kLinkInPath,      // a folder of the path, or the file itself, is a junction, link or mount point
    kFolderMissing,   // a folder of the path does not exist (nothing is created for the log)
    kNotAFolder,      // a part of the path before the file's name is a file
    kIsFolder,        // the file's name names a folder
    kHardLinks,       // the file has other names
    kForeignOwner,    // the file belongs to an account that is no administrator
    kElsewhere,       // the opened file is not the one the path names
    kSystemError,     // the system refused to open or create it: the thread's last error says why
};

// What the check asks of the machine: the attributes of an entry itself, not of what a link
// in it names (INVALID_FILE_ATTRIBUTES when there is none).
class LogPathMachine
{
public:
    virtual DWORD EntryAttributes(const wchar_t* path) = 0;

protected:
    ~LogPathMachine() = default;
};

// The check before anything is created or written: every folder of the full path
// `fullPath` from the root down, then its last entry, which may be missing (a new file).
// `exists` tells whether the last entry is there.
LogRefusal JudgeLogPath(const wchar_t* fullPath, LogPathMachine& machine, bool& exists);

// What the opened file is: its attributes and number of names, its owner (of an existing
// file), and the final path the system names for the handle (nullptr where the system has
// no such call, as Windows XP).
struct OpenedLogFacts
{
    DWORD attributes;
    DWORD links;
    bool createdNow;
    OwnerKind owner;
    const wchar_t* finalPath;
};

// The check of the opened file against the full path `fullPath` asked for. The owner is
// judged last: kForeignOwner says that everything else passed.
LogRefusal JudgeOpenedLog(const wchar_t* fullPath, const OpenedLogFacts& facts);

// English words for a refusal, for the message that names the file.
const wchar_t* LogRefusalText(LogRefusal refusal);
