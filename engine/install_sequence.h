#pragma once
#include "engine/install_page.h"

// The installation itself, on the worker thread: stops an installed server, makes the
// program group and shortcuts, takes a backup, unpacks the server, writes the first-start
// file, installs the certificate, writes the configuration, creates and starts the
// service and waits until the server reports ready. Every step is reported to the page;
// the last report tells the outcome (step 6 done, or the failed step), and `failed` is
// set before a failure is reported.
void RunInstallation(InstallPage& page);

// The worker thread's entry (`param` is the InstallPage): runs the installation, removes a
// failed new installation, and leaves Finish as the wizard's only button. Returns 0.
DWORD WINAPI InstallThreadProc(void* param);
