#include "language_source.h"

#include <set>
#include <wchar.h>

namespace {

// Longest texts the program keeps (its fields hold one character more).
const size_t kMaxText = 511;
const size_t kMaxTitle = 127;

struct Line
{
    std::wstring keyword;
    unsigned long number = 0;
    bool has_number = false;
    std::wstring text;
    bool has_text = false;
};

bool IsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t';
}

bool SplitLine(const std::wstring& line, Line& parsed, std::wstring& error)
{
    size_t pos = 0;
    while (pos < line.size() && !IsBlank(line[pos]))
        ++pos;
    parsed.keyword = line.substr(0, pos);
    while (pos < line.size() && IsBlank(line[pos]))
        ++pos;
    if (pos < line.size() && iswdigit(line[pos])) {
        size_t start = pos;
        while (pos < line.size() && iswdigit(line[pos]))
            ++pos;
        if (pos - start > 9) {
            error = L"number too large";
            return false;
        }
        parsed.number = wcstoul(line.substr(start, pos - start).c_str(), nullptr, 10);
        parsed.has_number = true;
        while (pos < line.size() && IsBlank(line[pos]))
            ++pos;
    }
    if (pos < line.size()) {
        size_t last = line.find_last_not_of(L" \t");
        if (line[pos] != L'"' || last == pos || line[last] != L'"') {
            error = L"text must be enclosed in double quotes";
            return false;
        }
        parsed.text = line.substr(pos + 1, last - pos - 1);
        parsed.has_text = true;
    }
    return true;
}

bool CheckText(const std::wstring& text, size_t maxLength, std::wstring& error)
{
    if (text.size() > maxLength) {
        error = L"text longer than " + std::to_wstring(maxLength) + L" characters";
        return false;
    }
    for (wchar_t c : text) {
        if ((c < 0x20 && c != L'\t') || (c >= 0x7F && c <= 0x9F)) {
            error = L"control character in text";
            return false;
        }
    }
    return true;
}

bool ApplyLine(const Line& line, LanguageSource& language, std::set<unsigned long>& stringIds,
               std::wstring& error)
{
    const std::wstring& k = line.keyword;
    bool wantsNumber = k == L"codepage" || k == L"string" || k == L"dialog" || k == L"control";
    bool wantsText = k != L"codepage";
    if (!wantsNumber && k != L"description") {
        error = L"unknown statement '" + k + L"'";
        return false;
    }
    if (line.has_number != wantsNumber || line.has_text != wantsText) {
        error = L"malformed '" + k + L"' statement";
        return false;
    }
    if (k == L"codepage") {
        language.code_page = line.number;
    } else if (k == L"description") {
        language.description = line.text;
        return CheckText(line.text, kMaxText, error);
    } else if (k == L"string") {
        if (line.number < 1 || line.number > 65535 || !stringIds.insert(line.number).second) {
            error = L"string id out of range or repeated";
            return false;
        }
        language.strings.push_back({line.number, line.text});
        return CheckText(line.text, kMaxText, error);
    } else if (k == L"dialog") {
        for (const SourceDialog& dialog : language.dialogs) {
            if (dialog.id == line.number) {
                error = L"dialog repeated";
                return false;
            }
        }
        language.dialogs.push_back({line.number, line.text, {}});
        return CheckText(line.text, kMaxTitle, error);
    } else {
        if (language.dialogs.empty()) {
            error = L"control outside a dialog";
            return false;
        }
        std::vector<SourceText>& controls = language.dialogs.back().controls;
        if (line.number < 1 || (!controls.empty() && controls.back().id >= line.number)) {
            error = L"control ordinals must start at 1 and ascend";
            return false;
        }
        controls.push_back({line.number, line.text});
        return CheckText(line.text, kMaxText, error);
    }
    return true;
}

} // namespace

bool ParseLanguageSource(const std::wstring& source, LanguageSource& language, std::wstring& error)
{
    std::set<unsigned long> stringIds;
    size_t start = 0;
    for (int lineNumber = 1; start <= source.size(); ++lineNumber) {
        size_t end = source.find(L'\n', start);
        if (end == std::wstring::npos)
            end = source.size();
        std::wstring text = source.substr(start, end - start);
        start = end + 1;
        if (!text.empty() && text.back() == L'\r')
            text.pop_back();
        size_t first = text.find_first_not_of(L" \t");
        if (first == std::wstring::npos || text[first] == L'#')
            continue;
        Line line;
        std::wstring problem;
        if (!SplitLine(text.substr(first), line, problem) || !ApplyLine(line, language, stringIds, problem)) {
            error = L"line " + std::to_wstring(lineNumber) + L": " + problem;
            return false;
        }
    }
    if (language.code_page == 0 || language.description.empty()) {
        error = L"codepage and description are required";
        return false;
    }
    return true;
}
