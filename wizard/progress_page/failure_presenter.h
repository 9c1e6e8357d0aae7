#pragma once
#include <windows.h>

#include "engine/install_failure.h"

// How one failed or cancelled installation is told, in the current language.
struct FailureTelling
{
    // The status line: the step and the system's text (or the cause's text), or the cancel.
    wchar_t status[1024] = {};
    wchar_t box[1024] = {};     // the box's text; empty: no box
    UINT kind = 0;              // the box's MessageKind
    bool ownerless = false;     // the box has no owner (else the progress page)
    wchar_t log[2048] = {};     // the log's account: the cause's text, the code and the system's text
};

// The one place that turns an installation's failure into what the user reads.
void TellFailure(const InstallFailure& failure, FailureTelling& telling);

// The status line after a run whose every step is done.
void SuccessStatus(wchar_t* text, size_t capacity);
