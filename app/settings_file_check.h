#pragma once
#include <windows.h>

#include "base/scoped_handle.h"

// The start-up's look at the settings file (velmorasetup.cfg, or the file that /config
// names) before its settings are taken (the rule: app/settings_file_trust.h). The file stays open while they are taken, so that nobody
// writes, renames or replaces it in between.
enum class SettingsFileCheck
{
    kGoOn,      // trusted, agreed to, or there is no file
    kDeclined,  // the person asked said No: the setup ends (0)
    kRefused,   // nobody to ask: the setup ends (-1), having said why
};

class CSettingsFileHold
{
public:
    // velmorasetup.cfg in `setupDir`, which may be missing; `quiet` the command line's /quiet.
    SettingsFileCheck Check(const wchar_t* setupDir, bool quiet);
    // The file /config names (`given`; a relative name lies in the current folder): the same
    // look, after one at its path as the log's (base/checked_path.h): no junction or link on
    // the way, one name only, the file the path names. It was asked for, so one missing or
    // refused ends the run (-1), having said why; only a person may still accept a doubted
    // owner, as for velmorasetup.cfg.
    SettingsFileCheck CheckNamed(const wchar_t* given, bool quiet);

    // The full path of the file looked at (empty before a check).
    const wchar_t* Path() const { return path_; }

private:
    // The owner and rights of the file held open (`file_`, at `path_`).
    SettingsFileCheck JudgeHeld(bool quiet);
    SettingsFileCheck RefuseNamed(UINT reasonId, DWORD error);

    UniqueHandle file_;
    wchar_t path_[MAX_PATH] = {};
};
