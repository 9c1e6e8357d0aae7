#pragma once
#include <windows.h>
#include <stdarg.h>

#include "base/log_path_rules.h"
#include "base/scoped_handle.h"

// The run's log for whoever deploys the setup: UTF-8 lines appended to one file, each
// stamped with the local time and written through at once, so that a run that is killed
// still leaves its trace. The setup runs as an administrator: the whole path is checked
// before anything is made (JudgeLogPath), the file is never reached through a link, nor
// one that has other names or belongs to an ordinary user (JudgeOpenedLog).
// Lines go nowhere while no file is open. Any thread may write.
class CSetupLog
{
public:
    enum class Opening
    {
        kAppendOrCreate,  // append to the file, or make it when missing
        kCreateOnly,      // make it; one that is there already is not used (ERROR_FILE_EXISTS)
    };
    // Opens the full path `path`. A file it makes is made only as new, with rights for
    // SYSTEM, Administrators and the running account alone. kNone when open; otherwise why
    // not, with the system's reason as the thread's last error for kSystemError.
    LogRefusal Open(const wchar_t* path, Opening opening = Opening::kAppendOrCreate);
    void Close() { file_.Reset(); }
    bool IsOpen() const { return file_.IsValid(); }

    // One line: `format` formatted as FormatText does, cut at 2047 characters; line breaks
    // inside become blanks so that each line stays one record.
    void Line(const wchar_t* format, ...) const;
    void LineV(const wchar_t* format, va_list args) const;

private:
    UniqueHandle file_;
};

// The process's one log.
extern CSetupLog g_setupLog;
