#include "test_dialog.h"

#include <string.h>
#include <vector>

namespace {

class TemplateWriter
{
public:
    void Word(WORD value) { words_.push_back(value); }
    void Dword(DWORD value) { Word(LOWORD(value)), Word(HIWORD(value)); }
    void Text(const std::wstring& text)
    {
        for (wchar_t c : text)
            Word(c);
        Word(0);
    }
    void AlignDword()
    {
        if (words_.size() % 2)
            Word(0);
    }
    // Copied into DWORD storage: a dialog template must start on a DWORD boundary.
    std::vector<DWORD> Finish() const
    {
        std::vector<DWORD> aligned((words_.size() + 1) / 2);
        memcpy(aligned.data(), words_.data(), words_.size() * sizeof(WORD));
        return aligned;
    }

private:
    std::vector<WORD> words_;
};

INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

std::wstring TextOf(HWND window)
{
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    return text;
}

} // namespace

TestDialog::TestDialog(int children, const wchar_t* title)
{
    TemplateWriter t;
    t.Dword(WS_POPUP | WS_CAPTION);
    t.Dword(0);
    t.Word(static_cast<WORD>(children));
    t.Word(0), t.Word(0), t.Word(200), t.Word(20 + 12 * children);
    t.Word(0);  // no menu
    t.Word(0);  // standard dialog class
    t.Text(title);
    for (int i = 1; i <= children; ++i) {
        t.AlignDword();
        t.Dword(WS_CHILD | WS_VISIBLE | SS_LEFT);
        t.Dword(0);
        t.Word(5), t.Word(static_cast<WORD>(12 * i)), t.Word(190), t.Word(10);
        t.Word(static_cast<WORD>(1000 + i));
        t.Word(0xFFFF), t.Word(0x0082);  // static
        t.Text(L"child " + std::to_wstring(i));
        t.Word(0);  // no creation data
    }
    std::vector<DWORD> bytes = t.Finish();
    window_ = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(bytes.data()),
                                         nullptr, PlainDialogProc, 0);
}

TestDialog::~TestDialog()
{
    if (window_)
        DestroyWindow(window_);
}

std::wstring TestDialog::Title() const
{
    return TextOf(window_);
}

std::wstring TestDialog::ChildText(int ordinal) const
{
    HWND child = GetWindow(window_, GW_CHILD);
    for (int i = 1; child && i < ordinal; ++i)
        child = GetWindow(child, GW_HWNDNEXT);
    return child ? TextOf(child) : L"<none>";
}
