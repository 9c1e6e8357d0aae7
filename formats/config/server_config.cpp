#include "formats/config/server_config.h"

CConfigFile g_serverConfig;
