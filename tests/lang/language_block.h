#pragma once
#include <windows.h>
#include <string>
#include <utility>
#include <vector>

// Builds language resources byte by byte, well-formed or not, for the loader's tests.
class LanguageBlock
{
public:
    using Entries = std::vector<std::pair<DWORD, std::wstring>>;

    LanguageBlock& Header(DWORD dialogCount, DWORD listCount, const std::wstring& description = L"language=Test,1049");
    LanguageBlock& Number(DWORD value);
    LanguageBlock& Field(const std::wstring& text);
    LanguageBlock& Strings(const Entries& strings);
    LanguageBlock& Dialog(DWORD id, const std::wstring& title, const Entries& controls);
    // Items with a value of 0 carry their text; the others carry nothing.
    LanguageBlock& List(DWORD id, const Entries& items);

    const std::vector<BYTE>& Bytes() const { return bytes_; }

private:
    std::vector<BYTE> bytes_;
};
