#pragma once
#include <windows.h>
#include <string>

// While it lives, web addresses of `scheme` opened through the shell go to url_recorder.exe
// (beside the test program) instead of a browser; the previous handler comes back afterwards.
class BrowserRecorder
{
public:
    explicit BrowserRecorder(const wchar_t* scheme = L"http");
    ~BrowserRecorder();
    BrowserRecorder(const BrowserRecorder&) = delete;
    BrowserRecorder& operator=(const BrowserRecorder&) = delete;

    bool Ready() const { return ready_; }
    // The address the last opening was given; empty when none came in time.
    std::wstring WaitForAddress(DWORD timeoutMs = 15000) const;

private:
    bool ready_ = false;
    bool hadCommand_ = false;
    std::wstring commandKey_;
    std::wstring previous_;
    std::wstring output_;
};
