#pragma once
#include "base/install_settings.h"
#include "engine/install_request.h"

// The one installation that `settings` describe, with a copy of the pages' configuration
// `pages`: for a new installation it gets the server's address as "server_ip" (and
// "server_mode" for a hosted server); an upgrade keeps the installed server's as read.
// False when memory runs out.
bool BuildInstallRequest(const InstallSettings& settings, CConfigFile& pages, InstallRequest& request);
