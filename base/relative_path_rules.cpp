#include "base/relative_path_rules.h"

#include <stddef.h>
#include <wchar.h>

namespace {

bool IsRefusedCharacter(wchar_t c)
{
    return c < 32 || wcschr(L"<>:\"|?*/", c) != nullptr;
}

// `base`: the name up to its first dot, without the blanks before that dot.
bool IsDeviceName(const wchar_t* base, size_t length)
{
    static const wchar_t* const kDevices[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
    for (const wchar_t* device : kDevices) {
        if (length == wcslen(device) && _wcsnicmp(base, device, length) == 0)
            return true;
    }
    const bool port = length == 4 && (_wcsnicmp(base, L"COM", 3) == 0 || _wcsnicmp(base, L"LPT", 3) == 0);
    return port && ((base[3] >= L'1' && base[3] <= L'9') || wcschr(L"\u00B9\u00B2\u00B3", base[3]) != nullptr);
}

bool LooksLikeShortAlias(const wchar_t* base, size_t length)
{
    for (size_t i = 0; i + 1 < length; ++i) {
        if (base[i] == L'~' && base[i + 1] >= L'0' && base[i + 1] <= L'9')
            return true;
    }
    return false;
}

bool IsNameKeptAsWritten(const wchar_t* name, size_t length)
{
    // A name of only dots and blanks ends in one of them too.
    if (length == 0 || name[length - 1] == L'.' || name[length - 1] == L' ')
        return false;
    size_t base = 0;
    while (base < length && name[base] != L'.')
        ++base;
    if (LooksLikeShortAlias(name, base))
        return false;
    while (base > 0 && name[base - 1] == L' ')
        --base;
    return !IsDeviceName(name, base);
}

}  // namespace

bool IsRelativePathKeptAsWritten(const wchar_t* path)
{
    if (path == nullptr)
        return false;
    const wchar_t* name = path;
    for (const wchar_t* c = path;; ++c) {
        if (*c == L'\\' || *c == 0) {
            if (!IsNameKeptAsWritten(name, static_cast<size_t>(c - name)))
                return false;
            if (*c == 0)
                return true;
            name = c + 1;
        } else if (IsRefusedCharacter(*c)) {
            return false;
        }
    }
}
