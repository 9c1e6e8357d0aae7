#pragma once
#include <windows.h>

#include "base/scoped_handle.h"

// The start-up's look at velmorasetup.cfg before its settings are taken (the rule:
// app/settings_file_trust.h). The file stays open while they are taken, so that nobody
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
    // `setupDir` holds velmorasetup.cfg; `quiet` the command line's /quiet.
    SettingsFileCheck Check(const wchar_t* setupDir, bool quiet);

private:
    UniqueHandle file_;
};
