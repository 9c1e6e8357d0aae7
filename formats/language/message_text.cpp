// The boxes that show texts of the current language, apart from the sinks, so that the
// uninstaller, which shows none, does not take the language in.
#include "formats/language/message_box.h"

#include "base/bounded_text.h"
#include "formats/language/language.h"

void FormatMessageIdV(wchar_t* text, size_t capacity, UINT id, va_list args)
{
    wchar_t format[1024] = {};
    g_language.GetString(id, format, 1024);
    FormatTextV(text, capacity, format, args);
}

void FormatMessageId(wchar_t* text, size_t capacity, UINT id, ...)
{
    va_list args;
    va_start(args, id);
    FormatMessageIdV(text, capacity, id, args);
    va_end(args);
}

int ShowMessage(HWND owner, UINT style, UINT id, ...)
{
    wchar_t text[2048] = {};
    va_list args;
    va_start(args, id);
    FormatMessageIdV(text, 2048, id, args);
    va_end(args);
    return ScreenSink().Show(owner, text, style);
}
