#include "wizard/settings_text.h"

#include <wchar.h>

#include "base/bounded_text.h"

namespace {

bool IsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
}

} // namespace

void TrimBlanks(wchar_t* text)
{
    size_t length = wcslen(text);
    while (length > 0 && IsBlank(text[length - 1]))
        --length;
    text[length] = 0;
    size_t start = 0;
    while (start < length && IsBlank(text[start]))
        ++start;
    if (start > 0)
        wmemmove(text, text + start, length - start + 1);
}

void GetDriveRoot(const wchar_t* folder, wchar_t* root, size_t capacity)
{
    const wchar_t* colon = wcschr(folder, L':');
    if (!colon) {
        CopyText(root, capacity, folder);
        return;
    }
    CopyTextN(root, capacity, folder, static_cast<size_t>(colon - folder) + 1);
    AppendText(root, capacity, L"\\");
}

bool HasPathSeparator(const wchar_t* name)
{
    return wcschr(name, L'/') != nullptr || wcschr(name, L'\\') != nullptr;
}
