#include "base/module_resource.h"

bool FindModuleResource(HMODULE module, const wchar_t* type, WORD id, const BYTE** bytes, DWORD* size)
{
    *bytes = nullptr;
    *size = 0;
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), type);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data)
        return false;
    *bytes = static_cast<const BYTE*>(data);
    *size = SizeofResource(module, found);
    return true;
}
