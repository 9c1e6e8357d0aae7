#pragma once
#include <windows.h>

#include "base/cancel_check.h"

// The Start-menu program group of the installed server and its shortcuts.

enum class ProgramShortcutsResult
{
    Created,    // every shortcut was attempted (a single link may still be missing)
    NoGroup,    // the group folder could not be found or made; last error says why
    Cancelled,  // the cancel check answered true before one of the table's shortcuts
};

// Creates the group and in it the link to the server's address, then the fixed table's
// links into `installDir`. `cancelled`, polled between shortcuts, may be null. The calling thread
// must have initialised COM.
ProgramShortcutsResult CreateProgramShortcuts(const wchar_t* installDir, const wchar_t* serverAddress,
                                              CancelCheck cancelled, void* context);
