#pragma once
#include "engine/run/install_job.h"

// The installation itself, on the worker thread: stops an installed server, makes the
// program group and shortcuts, takes a backup, unpacks the server, writes the first-start
// file, installs the certificate, writes the configuration, creates and starts the
// service and waits until the server reports ready, as `request` asks. Every step is
// reported to `job.reporter`; the last step report tells the outcome (step 6 done, or the
// failed step), and `failed` is set before a failure is reported.
InstallResult RunInstallation(const InstallRequest& request, InstallJob& job);

// The worker thread's entry (`param` is the InstallJob): runs the installation of
// `job.request` into `job.result`, removes a failed new installation, then reports the
// end. Returns 0.
DWORD WINAPI InstallThreadProc(void* param);
