#pragma once
#include <windows.h>

// The Start-menu program group of the installed server and its shortcuts.

// The group folder's name under the all-users programs folder.
extern const wchar_t kProgramGroupName[];

enum class ProgramShortcutsResult
{
    Created,    // every shortcut was attempted (a single link may still be missing)
    NoGroup,    // the group folder could not be found or made; last error says why
    Cancelled,  // the cancel check answered true before one of the table's shortcuts
};

// Polled between shortcuts; true stops the work.
typedef bool (*CancelCheck)(void* context);

// Creates the group and in it the link to the server's address, then the fixed table's
// links into `installDir`. `cancelled` may be null (never cancelled). The calling thread
// must have initialised COM.
ProgramShortcutsResult CreateProgramShortcuts(const wchar_t* installDir, const wchar_t* serverAddress,
                                              CancelCheck cancelled, void* context);
