#pragma once
#include <windows.h>
#include <string>

// Every message id of the built-in string table that the program fetches or shows.
const UINT kMessageIds[] = {14, 15, 16, 20, 21, 22, 24, 25, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39,
                            40, 41, 44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 54, 55, 56, 57, 77, 78, 79, 80};

// The built-in English text of a message, read straight from the string table.
inline std::wstring BuiltInText(UINT id)
{
    wchar_t text[1024] = {};
    LoadStringW(GetModuleHandleW(nullptr), id, text, 1024);
    return text;
}
