#include "formats/language/text_escapes.h"

#include <wchar.h>

namespace {

wchar_t CharAt(const BYTE* field, size_t index)
{
    return static_cast<wchar_t>(field[2 * index] | (field[2 * index + 1] << 8));
}

// A translation author's stray line break or NUL would otherwise cut or break a text
// that the program formats and shows; TAB is the one control character allowed.
bool IsForbiddenControl(wchar_t c)
{
    return (c < 0x20 && c != L'\t') || (c >= 0x7F && c <= 0x9F);
}

// What a backslash followed by `c` stands for, given the escape letters and their
// meanings side by side; 0 when `c` is not one of the letters.
wchar_t Unescape(wchar_t c, const wchar_t* letters, const wchar_t* meanings)
{
    const wchar_t* found = c ? wcschr(letters, c) : nullptr;
    return found ? meanings[found - letters] : 0;
}

wchar_t FieldEscape(wchar_t c)
{
    return Unescape(c, L"nrt", L"\n\r\t");
}

wchar_t MessageEscape(wchar_t c)
{
    return Unescape(c, L"\\nt", L"\\\n\t");
}

} // namespace

size_t DecodeFieldText(const BYTE* field, size_t charCount, wchar_t* dest, size_t capacity)
{
    if (!dest || capacity == 0)
        return 0;
    size_t written = 0;
    for (size_t i = 0; i < charCount && written + 1 < capacity; ++i) {
        wchar_t c = CharAt(field, i);
        if (c == L'\\' && i + 1 < charCount) {
            if (wchar_t decoded = FieldEscape(CharAt(field, i + 1))) {
                c = decoded;
                ++i;
            }
        } else if (IsForbiddenControl(c)) {
            continue;
        }
        dest[written++] = c;
    }
    dest[written] = 0;
    return written;
}

size_t ExpandMessageText(const wchar_t* stored, wchar_t* dest, size_t capacity)
{
    if (!dest || capacity == 0)
        return 0;
    size_t written = 0;
    for (size_t i = 0; stored && stored[i] && written + 1 < capacity; ++i) {
        wchar_t c = stored[i];
        if (c == L'\\') {
            // stored[i + 1] is at most the terminator.
            if (stored[i + 1] == L'0')
                break;
            if (wchar_t expanded = MessageEscape(stored[i + 1])) {
                c = expanded;
                ++i;
            }
        } else if (c == L'|') {
            c = L'\r';
        } else if (c == L'^') {
            c = L'\t';
        }
        dest[written++] = c;
    }
    dest[written] = 0;
    return written;
}
