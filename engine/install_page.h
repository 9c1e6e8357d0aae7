#pragma once
#include <windows.h>

#include <atomic>

// How long the sequence waits for the started server to report ready.
struct ReadinessWait
{
    int rounds = 36;
    DWORD roundMs = 5000;
};

// What the installation sequence needs of the progress page, and nothing more: its
// window (which receives the progress messages and owns the sequence's boxes), its step
// list and status line, its three flags and the two extraction buffers. The flags are
// atomic, each written by one thread only and read by the other, without a lock.
struct InstallPage
{
    HWND window = nullptr;
    HWND stepList = nullptr;     // its row count sets the bar's positions
    HWND statusLine = nullptr;
    std::atomic<bool> cancel_requested{false};  // written by the page: stop the run
    std::atomic<bool> failed{false};    // written by the worker: a step failed, or it honoured a cancel
    std::atomic<bool> finished{false};  // written by the worker: it has ended the run
    BYTE* buffers[2] = {nullptr, nullptr};  // kPayloadBufferSize bytes each
    ReadinessWait readiness;             // the pages keep the default; tests shorten it
};

// Posted to the page: wParam = step (low word) and StepState (high word), lParam = the
// bar's position 0 to 100.
const UINT WM_INSTALL_PROGRESS = WM_USER + 3;
// Posted to the page at the end of a successful unattended run: the page destroys its
// window on the interface thread, which ends the wizard.
const UINT WM_INSTALL_CLOSE = WM_USER + 4;

enum InstallStep
{
    kStepPrepare = 0,      // stop the old service, address keys, program group, backup folder
    kStepExtract = 1,      // unpack the payload, first-start file
    kStepCertificate = 2,  // root certificate, trust list, HTTP.sys binding
    kStepConfigure = 3,    // the server's configuration file
    kStepService = 4,      // create the Windows service
    kStepStart = 5,        // readiness event, start the service
    kStepInitialize = 6,   // wait until the server reports ready
    kInstallStepCount = 7
};

enum StepState
{
    kStepStarted = 0,
    kStepDone = 1,
    kStepFailed = 2
};

