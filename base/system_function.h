#pragma once
#include <windows.h>

// A function that not every Windows the setup supports has, looked up at run time in a
// module the program holds; null where the module or the function is missing.
template <typename Call>
Call SystemFunction(HMODULE module, const char* name)
{
    FARPROC function = module != nullptr ? GetProcAddress(module, name) : nullptr;
    return reinterpret_cast<Call>(reinterpret_cast<void*>(function));
}

// The same in a module the program has loaded already (kernel32, advapi32...).
template <typename Call>
Call SystemFunction(const wchar_t* loadedModule, const char* name)
{
    return SystemFunction<Call>(GetModuleHandleW(loadedModule), name);
}
