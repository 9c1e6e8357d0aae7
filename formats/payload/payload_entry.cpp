#include "formats/payload/payload_entry.h"

#include <wchar.h>

namespace {

bool IsSeparator(wchar_t c)
{
    return c == L'\\' || c == L'/';
}

// CON, PRN, AUX, NUL, COM1-9 and LPT1-9 open devices whatever their extension.
bool IsDeviceName(const wchar_t* component, size_t length)
{
    size_t base = 0;
    while (base < length && component[base] != L'.')
        ++base;
    while (base > 0 && component[base - 1] == L' ')
        --base;
    static const wchar_t* const kThreeLetter[] = {L"CON", L"PRN", L"AUX", L"NUL"};
    if (base == 3) {
        for (const wchar_t* device : kThreeLetter) {
            if (_wcsnicmp(component, device, 3) == 0)
                return true;
        }
    }
    if (base == 4 && component[3] >= L'1' && component[3] <= L'9' &&
        (_wcsnicmp(component, L"COM", 3) == 0 || _wcsnicmp(component, L"LPT", 3) == 0))
        return true;
    return false;
}

bool IsSafeComponent(const wchar_t* component, size_t length)
{
    if (length == 0)
        return false;
    bool onlyDotsAndSpaces = true;
    for (size_t i = 0; i < length; ++i) {
        if (component[i] != L'.' && component[i] != L' ')
            onlyDotsAndSpaces = false;
    }
    return !onlyDotsAndSpaces && !IsDeviceName(component, length);
}

}  // namespace

bool IsSafeEntryName(const wchar_t (&name)[260])
{
    size_t length = wcsnlen(name, 260);
    if (length == 0 || length == 260 || IsSeparator(name[0]))
        return false;
    size_t start = 0;
    for (size_t i = 0; i <= length; ++i) {
        if (i < length && name[i] == L':')
            return false;
        if (i < length && name[i] < 0x20)
            return false;
        if (i == length || IsSeparator(name[i])) {
            if (!IsSafeComponent(name + start, i - start))
                return false;
            start = i + 1;
        }
    }
    return true;
}
