#pragma once
#include <windows.h>
#include <stdarg.h>

#include "base/scoped_handle.h"

// The run's log for whoever deploys the setup: UTF-8 lines appended to one file, each
// stamped with the local time and written through at once, so that a run that is killed
// still leaves its trace. The setup runs as an administrator: the file is never reached
// through a link, nor one that has other names (a hard link to something else).
// Lines go nowhere while no file is open. Any thread may write.
class CSetupLog
{
public:
    // Opens `path` for appending, creating it when missing. False, with the reason as the
    // thread's last error, when it cannot be opened or is a link (ERROR_CANT_ACCESS_FILE).
    bool Open(const wchar_t* path);
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
