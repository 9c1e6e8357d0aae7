#pragma once

// The titles of the message boxes (formats/language/message_box.h shows them), the same
// fixed text in every language.
inline constexpr wchar_t kMessageBoxTitle[] = L"Velmora Server Setup";
inline constexpr wchar_t kUninstallTitle[] = L"Velmora Server Uninstall";
