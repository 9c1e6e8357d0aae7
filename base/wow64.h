#pragma once
#include <windows.h>

// A 32-bit program on 64-bit Windows runs under WoW64: it sees the 32-bit registry view
// and the 32-bit system folder under the native names unless it asks for the others.

// True when this process is a 32-bit one on 64-bit Windows. IsWow64Process is looked up at
// run time: the first releases of XP lack it, and there is no WoW64 there.
bool RunsUnderWow64();

// The registry view that the setups of both builds and the uninstaller share on 64-bit
// Windows: the native one, where the 64-bit programs look. 32-bit Windows has one view and
// ignores the flag. Every access to a key of ours names it.
inline constexpr REGSAM kSharedRegistryView = KEY_WOW64_64KEY;

// Deletes `subKey` of `parent` (a key without subkeys) in kSharedRegistryView, the
// registry's result. RegDeleteKeyW would delete in the caller's own view; RegDeleteKeyExW,
// which takes the view, is looked up at run time (32-bit XP lacks it, and has one view).
LONG DeleteSharedViewKey(HKEY parent, const wchar_t* subKey);
