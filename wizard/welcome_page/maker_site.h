#pragma once
#include <windows.h>
#include <stddef.h>

// The maker's web site, behind the welcome page's maker line.
extern const wchar_t kMakerSiteAddress[];

// The online assistant on the maker's site: the Russian page for locale 1049, the
// English one for any other. Returns the characters written.
size_t FormatAssistantAddress(LCID locale, wchar_t* buffer, size_t capacity);
