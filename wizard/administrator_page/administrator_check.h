#pragma once
#include <windows.h>

#include "base/install_settings.h"

// The administrator page's Next check, without the page's window.

// What the page's boxes hold, read with the boxes' capacities.
struct AdministratorFields
{
    wchar_t name[64];     // as typed; left trimmed, for the box
    wchar_t surname[64];  // as typed; left trimmed, for the box
    wchar_t login[64];    // as typed; left trimmed, for the box
    wchar_t password[256];
    wchar_t confirmation[256];
};

struct AdministratorVerdict
{
    bool accepted;
    UINT message;  // the warning to show; 0: none
    // The boxes to mark as wrong: empty, or a built-in group's name as the login.
    bool name_marked;
    bool surname_marked;
    bool login_marked;
};

// Stores the trimmed name, surname and login in `settings`, and, when they and the
// password are valid, the password's digest. A run that nobody answers (settings.run_mode)
// shows no warning, and takes a digest that its settings already gave without a password.
AdministratorVerdict CheckAdministratorPage(AdministratorFields& fields, InstallSettings& settings);
