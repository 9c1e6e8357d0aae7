#pragma once
#include <windows.h>
#include <string.h>
#include <string>
#include <vector>

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
