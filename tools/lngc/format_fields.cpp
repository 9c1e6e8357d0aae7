#include "format_fields.h"

#include <wchar.h>

namespace {

bool IsFlag(wchar_t c)
{
    return c == L'-' || c == L'+' || c == L' ' || c == L'#' || c == L'0';
}

bool IsSizePrefix(wchar_t c)
{
    return c == L'h' || c == L'l' || c == L'L' || c == L'I' || c == L'z' || c == L'j' || c == L't' ||
           c == L'w' || c == L'q' || iswdigit(c);
}

std::wstring Joined(const std::vector<std::wstring>& fields)
{
    std::wstring text;
    for (const std::wstring& field : fields)
        text += (text.empty() ? L"" : L" ") + field;
    return text.empty() ? L"none" : text;
}

} // namespace

std::vector<std::wstring> FormatFields(const std::wstring& text)
{
    std::vector<std::wstring> fields;
    for (size_t at = 0; at < text.size(); ++at) {
        if (text[at] != L'%')
            continue;
        size_t end = at + 1;
        if (end < text.size() && text[end] == L'%') {
            at = end;
            continue;
        }
        while (end < text.size() && IsFlag(text[end]))
            ++end;
        while (end < text.size() && (iswdigit(text[end]) || text[end] == L'*'))
            ++end;
        if (end < text.size() && text[end] == L'.') {
            ++end;
            while (end < text.size() && (iswdigit(text[end]) || text[end] == L'*'))
                ++end;
        }
        // The size prefixes, digits included for "I64": the conversion letter follows.
        while (end < text.size() && IsSizePrefix(text[end]))
            ++end;
        // A lone '%' at the end is a field too: it differs from any text that has none.
        fields.push_back(text.substr(at, end < text.size() ? end - at + 1 : end - at));
        at = end;
    }
    return fields;
}

bool ParseEnglishStringTable(const std::wstring& source, std::map<unsigned long, std::wstring>& texts,
                             std::wstring& error)
{
    bool inside = false;
    size_t lineNumber = 0;
    for (size_t start = 0; start < source.size();) {
        size_t end = source.find(L'\n', start);
        if (end == std::wstring::npos)
            end = source.size();
        std::wstring line = source.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == L'\r')
            line.pop_back();
        const size_t first = line.find_first_not_of(L" \t");
        if (first == std::wstring::npos || line.compare(first, 2, L"//") == 0)
            continue;
        if (line.compare(first, 5, L"BEGIN") == 0) {
            inside = true;
            continue;
        }
        if (line.compare(first, 3, L"END") == 0) {
            inside = false;
            continue;
        }
        if (!inside || !iswdigit(line[first]))
            continue;
        wchar_t* after = nullptr;
        const unsigned long id = wcstoul(line.c_str() + first, &after, 10);
        const size_t open = line.find(L'"', static_cast<size_t>(after - line.c_str()));
        const size_t close = line.find_last_of(L'"');
        if (open == std::wstring::npos || close == open) {
            error = L"line " + std::to_wstring(lineNumber) + L": text must be enclosed in double quotes";
            return false;
        }
        std::wstring text;
        for (size_t at = open + 1; at < close; ++at) {
            text += line[at];
            if (line[at] == L'"' && at + 1 < close && line[at + 1] == L'"')
                ++at;
        }
        texts[id] = text;
    }
    return true;
}

bool CheckFormatFields(const LanguageSource& language, const std::map<unsigned long, std::wstring>& english,
                       std::wstring& error)
{
    for (const SourceText& translated : language.strings) {
        const auto found = english.find(translated.id);
        if (found == english.end()) {
            error = L"string " + std::to_wstring(translated.id) + L" has no English text";
            return false;
        }
        const std::vector<std::wstring> expected = FormatFields(found->second);
        const std::vector<std::wstring> fields = FormatFields(translated.text);
        if (fields != expected) {
            error = L"string " + std::to_wstring(translated.id) + L" has the format fields " + Joined(fields) +
                    L", the English text " + Joined(expected);
            return false;
        }
    }
    return true;
}
