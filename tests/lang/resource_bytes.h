#pragma once
#include <windows.h>
#include <string>
#include <vector>

// A copy of the "LNG" resource `id` of this program; empty when there is none.
inline std::vector<BYTE> LanguageResourceBytes(DWORD id)
{
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), L"LNG");
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const BYTE* data = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    if (!data)
        return {};
    return std::vector<BYTE>(data, data + SizeofResource(module, found));
}
