#include "app/startup_message.h"

#include "base/message_title.h"
#include "formats/language/language.h"

void ShowStartupMessage(UINT id)
{
    wchar_t text[512] = {};
    g_language.GetString(id, text, 512);
    ShowStartupText(text);
}

void ShowStartupText(const wchar_t* text)
{
    MessageBoxW(nullptr, text, kMessageBoxTitle, MB_OK | MB_ICONERROR);
}
