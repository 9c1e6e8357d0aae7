#pragma once

// The title of every message box, the same fixed text in every language.
inline constexpr wchar_t kMessageBoxTitle[] = L"Velmora Server Setup";
