#pragma once
#include <windows.h>
#include <string>

// `text` without trailing blanks and line ends.
inline std::wstring TrimmedText(const std::wstring& text)
{
    size_t end = text.find_last_not_of(L" \r\n\t");
    return end == std::wstring::npos ? std::wstring() : text.substr(0, end + 1);
}

// The system's text for a Win32 error as an error box shows it, without the line end.
inline std::wstring SystemErrorText(DWORD error)
{
    wchar_t text[512] = {};
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                   MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, 512, nullptr);
    return TrimmedText(text);
}

// The same as the failure texts quote it inside a sentence: without its closing full stop.
inline std::wstring QuotedSystemErrorText(DWORD error)
{
    std::wstring text = SystemErrorText(error);
    while (!text.empty() && text.back() == L'.')
        text.pop_back();
    return text;
}
