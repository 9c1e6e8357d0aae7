#pragma once
#include <windows.h>

#include <atomic>

#include "engine/changes/change_transaction.h"
#include "engine/install_reporter.h"
#include "engine/install_request.h"

// How long the sequence waits for the started server to report ready.
struct ReadinessWait
{
    int rounds = 36;
    DWORD roundMs = 5000;
};

// What the runner (the progress page, a test) lends one installation: where it reports,
// its three flags and the two extraction buffers. The flags are atomic, each written by
// one thread only and read by the other, without a lock; extraction polls the cancel flag
// itself, the sequence asks the reporter.
struct InstallJob
{
    const InstallRequest* request = nullptr;  // lent for the whole run
    InstallReporter* reporter = nullptr;
    // The run's changes, the pages' before them: taken back after a failure, kept after success.
    ChangeTransaction* transaction = nullptr;
    std::atomic<bool> cancel_requested{false};  // written by the runner: stop the run
    std::atomic<bool> failed{false};    // written by the worker: a step failed, or it honoured a cancel
    std::atomic<bool> finished{false};  // written by the worker: it has ended the run
    BYTE* buffers[2] = {nullptr, nullptr};  // kPayloadBufferSize bytes each
    ReadinessWait readiness;             // the page keeps the default; tests shorten it
    InstallResult result;                // written by the worker before `finished`
};
