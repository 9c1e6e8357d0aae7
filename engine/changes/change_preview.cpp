#include "engine/changes/change_preview.h"

#include <stdarg.h>

#include "base/bounded_text.h"

void ChangePreview::Say(const wchar_t* kind, const wchar_t* format, ...)
{
    Line line;
    CopyText(line.kind, kind);
    va_list args;
    va_start(args, format);
    FormatTextV(line.text, sizeof(line.text) / sizeof(line.text[0]), format, args);
    va_end(args);
    for (const Line& said : lines_)
        if (lstrcmpW(said.kind, line.kind) == 0 && lstrcmpW(said.text, line.text) == 0)
            return;
    lines_.push_back(line);
}

void ChangePreview::Write(wchar_t* text, size_t capacity) const
{
    if (capacity == 0)
        return;
    text[0] = 0;
    for (const Line& line : lines_) {
        AppendText(text, capacity, line.kind);
        AppendText(text, capacity, L": ");
        AppendText(text, capacity, line.text);
        AppendText(text, capacity, L"\r\n");
    }
}

ThumbprintText::ThumbprintText(const BYTE (&hash)[20])
{
    static const wchar_t kDigits[] = L"0123456789ABCDEF";
    for (int i = 0; i < 20; ++i) {
        text[2 * i] = kDigits[hash[i] >> 4];
        text[2 * i + 1] = kDigits[hash[i] & 15];
    }
    text[40] = 0;
}
