#include "formats/config/config_file.h"

CConfigFile g_serverConfig;
