#include "wizard/page_message.h"

#include <stdarg.h>

#include "base/bounded_text.h"
#include "base/message_title.h"
#include "base/setup_tools.h"
#include "formats/language/language.h"

int ShowPageMessage(HWND page, UINT style, UINT textId, ...)
{
    wchar_t format[1024] = {};
    g_language.GetString(textId, format, 1024);
    wchar_t text[2048] = {};
    va_list args;
    va_start(args, textId);
    FormatTextV(text, 2048, format, args);
    va_end(args);
    return MessageBoxW(page, text, kMessageBoxTitle, style);
}

int ShowPageSystemError(HWND page, UINT style, DWORD code)
{
    wchar_t text[1024] = {};
    g_setupTools.FormatSystemError(code, text, 1024);
    return MessageBoxW(page, text, kMessageBoxTitle, style);
}
