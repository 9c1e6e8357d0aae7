#pragma once
#include "formats/config/config_file.h"

// The server's configuration as the pages see it: filled from an installed server's file
// on an upgrade. The progress page hands the installation a copy of it.
extern CConfigFile g_serverConfig;
