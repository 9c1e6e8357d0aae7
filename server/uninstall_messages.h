#pragma once
#include <windows.h>

#include "system/removal/installation_take_back.h"

// What the uninstaller tells: through the report sink, which shows boxes to a person and
// writes each to the log (base/setup_log.h); a quiet uninstall shows none.

// Shows `what` and, below it, the system's text for `error`, as an error.
void ShowUninstallError(const wchar_t* what, DWORD error);

// Logs what the plan takes back and, unless `quiet`, asks whether to go on: true for Yes
// (and always when quiet).
bool AgreesToTakeBack(const TakeBackPlan& plan, bool quiet);

// Tells that everything was removed, or what stayed (the report has logged each thing).
void TellWhatStayed(const TakeBackReport& report, bool everythingTakenBack);
