#pragma once
#include <windows.h>
#include <string>

// A real dialog window, made from an in-memory template of `children` static controls
// whose texts are "child 1", "child 2"... in their order; destroyed with the object.
class TestDialog
{
public:
    TestDialog(int children, const wchar_t* title);
    ~TestDialog();
    TestDialog(const TestDialog&) = delete;
    TestDialog& operator=(const TestDialog&) = delete;

    HWND Handle() const { return window_; }
    std::wstring Title() const;
    // Text of the child at the 1-based position.
    std::wstring ChildText(int ordinal) const;

private:
    HWND window_ = nullptr;
};
