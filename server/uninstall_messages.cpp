#include "server/uninstall_messages.h"

#include "base/bounded_text.h"
#include "base/install_settings.h"
#include "base/setup_tools.h"

void ShowUninstallError(const wchar_t* what, DWORD error)
{
    // A quiet removal has nobody to answer a box; its exit code tells the failure.
    if (g_settings.force_auto)
        return;
    wchar_t reason[260];
    g_setupTools.FormatSystemError(error, reason, 260);
    wchar_t text[1024];
    FormatText(text, L"%s\n\n%s", what, reason);
    MessageBoxW(nullptr, text, kUninstallTitle, MB_OK | MB_ICONERROR);
}
