#pragma once
#include <windows.h>
#include <time.h>

#include "engine/install_request.h"

// Every path and name that one installation acts on, formed once from its request:
// whole, or not at all, as a cut path would name another file.
struct InstallLayout
{
    wchar_t folder[MAX_PATH];
    wchar_t server[MAX_PATH];         // <folder>\Velmora.exe
    wchar_t configuration[MAX_PATH];  // <folder>\config\velmora.cfg
    wchar_t backups[MAX_PATH];        // <folder>\backups
    // <folder>\backups\<UTC start time>; empty for a new folder, which has nothing to keep.
    // One character short of a full path: a folder that fills it could hold no file.
    wchar_t backup[MAX_PATH];
    wchar_t command_line[2 * MAX_PATH];  // the service's: "<server>" /start
    wchar_t display_name[128];           // the service's: Velmora Server (<name>)
};

// Forms the layout of `request` for a run that started at `startTime`. False, with
// ERROR_FILENAME_EXCED_RANGE, when a path does not fit; `layout` is then all empty.
bool FormInstallLayout(const InstallRequest& request, time_t startTime, InstallLayout& layout);
