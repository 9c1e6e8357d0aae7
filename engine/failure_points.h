#pragma once
#include <windows.h>

#include "engine/install_failure.h"

// The places where an installation can fail, in the order the run reaches them.
enum class FailurePoint
{
    kLayout,          // a path of the installation would not fit
    kReadinessName,   // the name of the server's readiness event could not be formed
    kReadinessEvent,  // ... or the event not made
    kProgramGroup,    // the Start menu's group
    kRecord,          // the installation's record
    kBackupThere,     // the backup folder's name is taken
    kBackup,          // the backup folder, or its place on the record
    kRunList,         // the list of what the run writes into an installation without a record
    kPayload,         // the unpacking
    kStartFile,       // the first-start file
    kTrustList,       // the trust list of the server's certificate
    kBinding,         // the certificate's binding to the server's address
    kConfiguration,   // the server's configuration file
    kServiceCreate,   // the service, made new
    kServiceForeign,  // a service of the name that is not this installation's
    kServiceCommand,  // the service's command line, written in the setup's form
    kServerStart,     // the service would not start
    kServerGone,      // the server's process ended before it was ready
    kServerNotReady,  // the server did not report ready in time
};

// What came of the operation that failed.
struct FailureFacts
{
    DWORD error = 0;                // the thread's last error after it; 0 when it left none
    bool cancelled = false;         // a cancel was asked while it ran
    bool corrupt = false;           // the payload's data was damaged
    const wchar_t* argument = L"";  // what the message names, when it names something
};

// The failure that the run reports at `point`: its step, a code that is never 0 (a
// failure must not read as success), and how the user is told. An operation that ends
// early on a cancel reports the cancel, never the failure that the cancel caused.
InstallFailure FailureAt(FailurePoint point, const FailureFacts& facts);

// A cancel honoured at `step`: no box, the status line says so.
InstallFailure CancelledAt(int step);
