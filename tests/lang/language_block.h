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

    LanguageBlock& Header(DWORD dialogCount, DWORD listCount, const std::wstring& description = L"language=Test,1049")
    {
        return Number(1251).Number(dialogCount).Number(listCount).Field(description);
    }
    LanguageBlock& Number(DWORD value)
    {
        for (int shift = 0; shift < 32; shift += 8)
            bytes_.push_back(static_cast<BYTE>(value >> shift));
        return *this;
    }
    LanguageBlock& Field(const std::wstring& text)
    {
        Number(static_cast<DWORD>(text.size() * 2));
        for (wchar_t c : text)
            bytes_.insert(bytes_.end(), { static_cast<BYTE>(c & 0xFF), static_cast<BYTE>(c >> 8) });
        return *this;
    }
    LanguageBlock& Strings(const Entries& strings)
    {
        Number(0).Number(0).Number(static_cast<DWORD>(strings.size()));
        for (const auto& entry : strings)
            Number(entry.first).Field(entry.second);
        return *this;
    }
    LanguageBlock& Dialog(DWORD id, const std::wstring& title, const Entries& controls)
    {
        Number(1).Number(id).Number(static_cast<DWORD>(controls.size())).Number(0xFFFFFFFF).Field(title);
        for (const auto& control : controls)
            Number(control.first).Field(control.second);
        return *this;
    }
    // Items with a value of 0 carry their text; the others carry nothing.
    LanguageBlock& List(DWORD id, const Entries& items)
    {
        Number(2).Number(id).Number(static_cast<DWORD>(items.size()));
        for (const auto& item : items)
            item.first ? Number(item.first) : Number(0).Field(item.second);
        return *this;
    }

    const std::vector<BYTE>& Bytes() const { return bytes_; }
    const BYTE* Data() const { return bytes_.data(); }
    size_t Size() const { return bytes_.size(); }

private:
    std::vector<BYTE> bytes_;
};
