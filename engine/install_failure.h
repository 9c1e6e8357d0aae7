#pragma once
#include <windows.h>

#include "system/network/port_holder.h"
#include "system/services/service_exit.h"

// What a failure found out about its cause, gathered where it happened (who holds the
// port, what the service manager says, how much room the drive has): the facts from which
// DescribeFailureCause (engine/failure_text.h) makes the text that says what to do.
enum class FailureCauseKind : unsigned char
{
    kNone,         // the step and the system's code say all there is
    kServerStart,  // the service did not start: the service manager's answer, the port's holder
    kNotReady,     // the server did not report ready: how long, and whether its service runs
    kCertificate,  // the server certificate cannot be used: the import's code
    kDiskSpace,    // the drive has too little room for the server
};

struct FailureCause
{
    FailureCauseKind kind = FailureCauseKind::kNone;
    wchar_t service_name[64] = {};
    wchar_t address[16] = {};  // the server's address, dotted; "0.0.0.0" for any
    ServiceExit service;       // kServerStart, kNotReady
    PortHolding port;           // kServerStart
    DWORD waited_ms = 0;       // kNotReady
    DWORD error = 0;           // kCertificate: the import's code; kServerStart: the start's
    // kCertificate: the certificate's file; kDiskSpace: the installation folder;
    // kNotReady: the installed server's folder.
    wchar_t path[MAX_PATH] = {};
    wchar_t volume[MAX_PATH] = {};  // kDiskSpace: the drive ("C:\")
    ULONGLONG needed_bytes = 0;     // kDiskSpace
    ULONGLONG free_bytes = 0;       // kDiskSpace
};

// A failed (or cancelled) installation as data: which step, the system's code, and how
// the user is to be told — a message of the string table (base/message_ids.h) with its
// arguments, or one of the two ways of telling by the system's text alone; and, when the
// run found out more, its cause, which then says it instead. The engine tells nobody; the
// runner's presenter turns this into the status line, the box and the log line.
struct InstallFailure
{
    int step = -1;
    DWORD code = 0;  // ERROR_CANCELLED for a cancel
    UINT message = 0;
    wchar_t argument[MAX_PATH] = {};  // the message's first %s, when it has one
    wchar_t detail[MAX_PATH] = {};    // and its second
    FailureCause cause;
};

// Below the string table's first id: not texts, ways of telling.
enum : UINT
{
    kToldBySystemText = 0,     // the system's text for the code, in the page's error box
    kToldByServiceManager = 1  // the same, ownerless, as the service operations tell theirs
};
