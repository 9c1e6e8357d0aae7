#pragma once
#include "base/install_settings.h"

// Opens a web address in the browser of the person at the screen, with that person's
// rights: through the desktop's shell, or by the setup itself only when it runs as the
// signed-in user (ChooseBrowserOpener); in a run of `mode` without a person, or as
// SYSTEM, not at all. The log tells who opened it, or why nobody did. A click on a link
// is a person's: its caller passes kAttended. A browser that cannot be started is not
// reported: the caller has nothing to offer instead.
void OpenAddress(const wchar_t* address, RunMode mode);
