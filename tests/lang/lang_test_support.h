#pragma once
// What the language tests share: the message ids, the program's language resources,
// resources built byte by byte, guarded memory, and a real dialog window to translate.
#include <windows.h>
#include <commctrl.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "support/message_box_watcher.h"

// The wizard pages that a language translates.
const DWORD kWizardDialogIds[] = {107, 4, 7, 106, 8, 3};

// Every message id of the built-in (English) string table, ascending: the texts that the
// program can show, each of which a language must translate.
inline std::vector<UINT> MessageIds()
{
    std::vector<UINT> ids;
    const wchar_t* text = nullptr;  // with no room given, LoadString points into the table
    for (UINT id = 1; id <= 0xFFFF; ++id)
        if (LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0) > 0)
            ids.push_back(id);
    return ids;
}

// The built-in English text of a message, read straight from the string table.
inline std::wstring BuiltInText(UINT id)
{
    wchar_t text[1024] = {};
    LoadStringW(GetModuleHandleW(nullptr), id, text, 1024);
    return text;
}

// A copy of the "LNG" resource `id` of this program; empty when there is none.
inline std::vector<BYTE> LanguageResourceBytes(DWORD id)
{
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), L"LNG");
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const BYTE* data = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    if (!data)
        return {};
    return std::vector<BYTE>(data, data + SizeofResource(module, found));
}

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

private:
    std::vector<BYTE> bytes_;
};

// Memory whose end is followed by an inaccessible page: bytes placed at its end make any
// read past them fault at once instead of going unnoticed.
class GuardedBytes
{
public:
    explicit GuardedBytes(size_t capacity) : size_((capacity + 0xFFFF) & ~size_t(0xFFFF))
    {
        base_ = static_cast<BYTE*>(VirtualAlloc(nullptr, size_ + 0x10000, MEM_RESERVE, PAGE_NOACCESS));
        VirtualAlloc(base_, size_, MEM_COMMIT, PAGE_READWRITE);
    }
    ~GuardedBytes() { VirtualFree(base_, 0, MEM_RELEASE); }
    const BYTE* Place(const std::vector<BYTE>& bytes)
    {
        BYTE* start = base_ + size_ - bytes.size();
        return bytes.empty() ? start : static_cast<BYTE*>(memcpy(start, bytes.data(), bytes.size()));
    }

private:
    size_t size_;
    BYTE* base_;
};

// A text buffer followed by guard characters, to catch writes past its capacity.
class GuardedText
{
public:
    explicit GuardedText(size_t capacity) : storage_(capacity + 16, 0xA5C3) {}
    wchar_t* Buffer() { return storage_.data(); }
    bool GuardsIntact() const { return std::count(storage_.end() - 16, storage_.end(), 0xA5C3) == 16; }

private:
    std::vector<wchar_t> storage_;
};

inline INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

// The wizard page `id` as the program's dialog template makes it, in a parent window;
// destroyed with the object.
class WizardPage
{
public:
    explicit WizardPage(DWORD id)
    {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&controls);
        parent_ = CreateWindowW(L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        window_ = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), parent_, PlainDialogProc, 0);
    }
    ~WizardPage() { DestroyWindow(parent_); }
    WizardPage(const WizardPage&) = delete;
    WizardPage& operator=(const WizardPage&) = delete;

    HWND Handle() const { return window_; }
    std::vector<HWND> Children() const
    {
        std::vector<HWND> children;
        for (HWND child = GetWindow(window_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            children.push_back(child);
        return children;
    }
    // The title, then every child's text in order.
    std::vector<std::wstring> Texts() const
    {
        std::vector<std::wstring> texts{WindowText(window_)};
        for (HWND child : Children())
            texts.push_back(WindowText(child));
        return texts;
    }

private:
    HWND parent_ = nullptr;
    HWND window_ = nullptr;
};
