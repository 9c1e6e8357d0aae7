#pragma once
#include <windows.h>

// A failed (or cancelled) installation as data: which step, the system's code, and how
// the user is to be told — a message of the string table (base/message_ids.h) with its
// arguments, or one of the two ways of telling by the system's text alone. The engine
// tells nobody; the runner's presenter turns this into the status line, the box and the
// log line.
struct InstallFailure
{
    int step = -1;
    DWORD code = 0;  // ERROR_CANCELLED for a cancel
    UINT message = 0;
    wchar_t argument[MAX_PATH] = {};  // the message's first %s, when it has one
    wchar_t detail[MAX_PATH] = {};    // and its second
};

// Below the string table's first id: not texts, ways of telling.
enum : UINT
{
    kToldBySystemText = 0,     // the system's text for the code, in the page's error box
    kToldByServiceManager = 1  // the same, ownerless, as the service operations tell theirs
};
