#pragma once
#include <windows.h>

#include "base/log_path_rules.h"

// The rules of base/log_path_rules.h over this machine's file system, for every file that
// a run as an administrator is told to use by a path: the run's log, the settings file
// that /config names.

// JudgeLogPath over the entries themselves (a link is not followed).
LogRefusal JudgePathOnDisk(const wchar_t* fullPath, bool& exists);

// JudgeOpenedLog over the open `file` (opened with FILE_READ_ATTRIBUTES and READ_CONTROL,
// not through a link: FILE_FLAG_OPEN_REPARSE_POINT), reached by `fullPath`; `createdNow`
// whether this run made it. kSystemError, with the thread's last error, when the
// system cannot tell what the file is.
LogRefusal JudgeOpenedFile(const wchar_t* fullPath, HANDLE file, bool createdNow);
