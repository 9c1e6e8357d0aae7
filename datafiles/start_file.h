#pragma once

// Writes "<install_dir>\config\start.dat" for a new installation: g_settings'
// administrator account record followed by its server locale record, encrypted with
// DataKey. Only failing to create the file is an error (false, the reason in the
// thread's last error); the writes after it are not examined.
bool WriteStartFile();
