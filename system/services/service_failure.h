#pragma once
#include <windows.h>

// Shows the system's text for `error` and leaves `error` as the thread's last error
// (the message box may overwrite it). Returns false, for the caller to pass on.
bool ReportServiceFailure(DWORD error);

// A name, path or text that is null or empty counts as not given.
inline bool IsMissingText(const wchar_t* text)
{
    return text == nullptr || text[0] == L'\0';
}
