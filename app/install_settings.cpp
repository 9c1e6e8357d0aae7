#include "app/install_settings.h"

InstallSettings g_settings = {};
