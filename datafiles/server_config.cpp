#include "datafiles/config_file.h"

CConfigFile g_serverConfig;
