#pragma once
#include <windows.h>

// Start-up failures: an ownerless error box with the fixed title.
// `ShowStartupMessage` shows the message `id` in the interface language.
void ShowStartupMessage(UINT id);
void ShowStartupText(const wchar_t* text);
