#include "base/install_settings.h"

InstallSettings g_settings = {};
