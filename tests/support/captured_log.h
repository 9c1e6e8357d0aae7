#pragma once
#include <windows.h>

#include <string>

#include "base/scoped_handle.h"
#include "base/setup_log.h"
#include "support/temp_folder.h"

// The run's log in a folder of the test's own while it lives; its text on demand. Lines the
// code under test writes are the sync points that stand in for fixed waits.
class CapturedLog
{
public:
    CapturedLog() : path_(folder_.File(L"run.log")) { opened_ = g_setupLog.Open(path_.c_str()) == LogRefusal::kNone; }
    ~CapturedLog() { g_setupLog.Close(); }
    CapturedLog(const CapturedLog&) = delete;
    CapturedLog& operator=(const CapturedLog&) = delete;

    bool Opened() const { return opened_; }
    std::string Text() const
    {
        std::string text;
        UniqueHandle file(CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
        char buffer[4096];
        DWORD read = 0;
        while (file && ReadFile(file.Get(), buffer, sizeof(buffer), &read, nullptr) && read > 0)
            text.append(buffer, read);
        return text;
    }
    bool Has(const char* line) const { return Text().find(line) != std::string::npos; }

private:
    TempFolder folder_{L"log"};
    std::wstring path_;
    bool opened_ = false;
};
