#include "app/startup_message.h"

#include "formats/language/message_box.h"

void ShowStartupMessage(UINT id)
{
    ShowMessage(nullptr, kErrorMessage, id);
}

void ShowStartupText(const wchar_t* text)
{
    ScreenSink().Show(nullptr, text, kErrorMessage);
}
