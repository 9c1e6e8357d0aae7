#pragma once

// The settings the run goes on with, after velmorasetup.cfg and the defaults, in the run's
// log (base/run_log_file.h): everything but the administrator's password, of which only
// whether it was given.
void LogSettingsInEffect();
