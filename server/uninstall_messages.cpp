#include "server/uninstall_messages.h"

#include "base/bounded_text.h"
#include "base/setup_tools.h"
#include "formats/language/message_box.h"

void ShowUninstallError(const wchar_t* what, DWORD error)
{
    wchar_t reason[260];
    g_setupTools.FormatSystemError(error, reason, 260);
    wchar_t text[1024];
    FormatText(text, L"%s\n\n%s", what, reason);
    ReportSink().Show(nullptr, text, kErrorMessage);
}
