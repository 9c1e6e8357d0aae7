#include "language_block.h"

LanguageBlock& LanguageBlock::Header(DWORD dialogCount, DWORD listCount, const std::wstring& description)
{
    return Number(1251).Number(dialogCount).Number(listCount).Field(description);
}

LanguageBlock& LanguageBlock::Number(DWORD value)
{
    for (int shift = 0; shift < 32; shift += 8)
        bytes_.push_back(static_cast<BYTE>(value >> shift));
    return *this;
}

LanguageBlock& LanguageBlock::Field(const std::wstring& text)
{
    Number(static_cast<DWORD>(text.size() * 2));
    for (wchar_t c : text) {
        bytes_.push_back(static_cast<BYTE>(c & 0xFF));
        bytes_.push_back(static_cast<BYTE>(c >> 8));
    }
    return *this;
}

LanguageBlock& LanguageBlock::Strings(const Entries& strings)
{
    Number(0).Number(0).Number(static_cast<DWORD>(strings.size()));
    for (const auto& entry : strings)
        Number(entry.first).Field(entry.second);
    return *this;
}

LanguageBlock& LanguageBlock::Dialog(DWORD id, const std::wstring& title, const Entries& controls)
{
    Number(1).Number(id).Number(static_cast<DWORD>(controls.size())).Number(0xFFFFFFFF).Field(title);
    for (const auto& control : controls)
        Number(control.first).Field(control.second);
    return *this;
}

LanguageBlock& LanguageBlock::List(DWORD id, const Entries& items)
{
    Number(2).Number(id).Number(static_cast<DWORD>(items.size()));
    for (const auto& item : items) {
        Number(item.first);
        if (item.first == 0)
            Field(item.second);
    }
    return *this;
}
