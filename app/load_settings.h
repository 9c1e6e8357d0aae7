#pragma once

// Fills g_settings at start-up: time zone, interface language, the folder of the running
// program, velmorasetup.cfg beside it, the service name, the installation folder, the
// domain name, the default certificate and the run mode. False, after telling why in a
// box, when velmorasetup.cfg gives a domain that is no host name or a service name longer
// than its field (it is not cut), or when the program's own path is too long; and, after
// telling the log, when a quiet run (g_settings.quiet, which makes it force_auto) finds no
// velmorasetup.cfg. `namedFile`, the full path of the file that /config names (checked and
// held open by app/settings_file_check.h), is read instead of velmorasetup.cfg; asked for,
// it must be read whatever the run (false after telling why).
bool LoadSettings(const wchar_t* namedFile);

// The same for a program lying in `setupDir` (no trailing backslash); LoadSettings
// passes the running program's folder.
bool LoadSettingsFromFolder(const wchar_t* setupDir, const wchar_t* namedFile = nullptr);
