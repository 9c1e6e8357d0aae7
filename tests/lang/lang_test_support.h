#pragma once
// What the language tests share: the message ids, the program's own language resources,
// resources built byte by byte, guarded memory, and a real dialog window to translate.
#include <windows.h>
#include <string.h>

#include <string>
#include <utility>
#include <vector>

// The wizard pages that a language translates.
const DWORD kWizardDialogIds[] = {107, 4, 7, 106, 8, 3};

// Every message id of the built-in string table that the program fetches or shows.
const UINT kMessageIds[] = {14, 15, 16, 20, 21, 22, 24, 25, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39,
                            40, 41, 44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 54, 55, 56, 57, 77, 78, 79, 80};

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
    const BYTE* Data() const { return bytes_.data(); }
    size_t Size() const { return bytes_.size(); }

private:
    std::vector<BYTE> bytes_;
};

// Memory whose neighbours cannot be touched: a copy of the bytes ends exactly where an
// inaccessible page begins, with another inaccessible page before the block, so any
// read past either end faults at once instead of going unnoticed.
class GuardedBytes
{
public:
    explicit GuardedBytes(size_t capacity)
    {
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        size_t page = info.dwPageSize;
        usable_size_ = capacity ? (capacity + page - 1) / page * page : page;
        base_ = static_cast<BYTE*>(VirtualAlloc(nullptr, usable_size_ + 2 * page, MEM_RESERVE, PAGE_NOACCESS));
        if (base_)
            usable_ = static_cast<BYTE*>(VirtualAlloc(base_ + page, usable_size_, MEM_COMMIT, PAGE_READWRITE));
    }
    ~GuardedBytes() { VirtualFree(base_, 0, MEM_RELEASE); }
    GuardedBytes(const GuardedBytes&) = delete;
    GuardedBytes& operator=(const GuardedBytes&) = delete;

    // Copies `size` bytes (at most the capacity) to the end of the usable pages.
    const BYTE* Place(const BYTE* bytes, size_t size)
    {
        if (!usable_ || size > usable_size_)
            return nullptr;
        BYTE* start = usable_ + usable_size_ - size;
        return size ? static_cast<BYTE*>(memcpy(start, bytes, size)) : start;
    }

private:
    BYTE* base_ = nullptr;
    BYTE* usable_ = nullptr;
    size_t usable_size_ = 0;
};

// A text buffer with guard characters on both sides, to catch writes past its capacity.
class GuardedText
{
public:
    explicit GuardedText(size_t capacity) : capacity_(capacity), storage_(capacity + 2 * kGuard, kPattern) {}
    wchar_t* Buffer() { return &storage_[kGuard]; }
    size_t Capacity() const { return capacity_; }
    // True while every guard character still holds its pattern.
    bool GuardsIntact() const
    {
        for (size_t i = 0; i < kGuard; ++i)
            if (storage_[i] != kPattern || storage_[kGuard + capacity_ + i] != kPattern)
                return false;
        return true;
    }

private:
    static const size_t kGuard = 16;
    static const wchar_t kPattern = 0xA5C3;
    size_t capacity_;
    std::vector<wchar_t> storage_;
};

inline std::wstring TextOf(HWND window)
{
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    return text;
}

inline INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

// A real dialog window, made from an in-memory template of `children` static controls
// whose texts are "child 1", "child 2"... in their order; destroyed with the object.
class TestDialog
{
public:
    TestDialog(int children, const wchar_t* title)
    {
        std::vector<WORD> t;
        auto text = [&t](const std::wstring& s) { t.insert(t.end(), s.begin(), s.end()), t.push_back(0); };
        // Style, extended style, child count, position and size, no menu, standard class.
        t = { LOWORD(WS_POPUP | WS_CAPTION), HIWORD(WS_POPUP | WS_CAPTION), 0, 0, static_cast<WORD>(children), 0, 0,
              200, static_cast<WORD>(20 + 12 * children), 0, 0 };
        text(title);
        for (int i = 1; i <= children; ++i) {
            if (t.size() % 2)
                t.push_back(0);  // every item starts on a DWORD boundary
            t.insert(t.end(), { LOWORD(WS_CHILD | WS_VISIBLE | SS_LEFT), HIWORD(WS_CHILD | WS_VISIBLE | SS_LEFT), 0, 0,
                                5, static_cast<WORD>(12 * i), 190, 10, static_cast<WORD>(1000 + i), 0xFFFF, 0x0082 });
            text(L"child " + std::to_wstring(i));
            t.push_back(0);  // no creation data
        }
        // Copied into DWORD storage: a dialog template must start on a DWORD boundary.
        std::vector<DWORD> aligned((t.size() + 1) / 2);
        memcpy(aligned.data(), t.data(), t.size() * sizeof(WORD));
        window_ = CreateDialogIndirectParamW(GetModuleHandleW(nullptr),
                                             reinterpret_cast<LPCDLGTEMPLATEW>(aligned.data()), nullptr,
                                             PlainDialogProc, 0);
    }
    ~TestDialog()
    {
        if (window_)
            DestroyWindow(window_);
    }
    TestDialog(const TestDialog&) = delete;
    TestDialog& operator=(const TestDialog&) = delete;

    HWND Handle() const { return window_; }
    std::wstring Title() const { return TextOf(window_); }
    // Text of the child at the 1-based position.
    std::wstring ChildText(int ordinal) const
    {
        HWND child = GetWindow(window_, GW_CHILD);
        for (int i = 1; child && i < ordinal; ++i)
            child = GetWindow(child, GW_HWNDNEXT);
        return child ? TextOf(child) : L"<none>";
    }

private:
    HWND window_ = nullptr;
};
