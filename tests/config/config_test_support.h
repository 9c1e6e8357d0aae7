#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <utility>

#include "formats/config/config_file.h"
#include "support/temp_folder.h"

// The value of `name`, or "<absent>" when Get finds none.
inline std::wstring ValueOf(CConfigFile& config, const wchar_t* name)
{
    static wchar_t buffer[CConfigFile::kMaxValueLength + 1];
    buffer[0] = 0;
    return config.Get(name, buffer, CConfigFile::kMaxValueLength + 1) ? buffer : L"<absent>";
}

// A folder for the files one test loads and saves.
class ConfigFileTest : public ::testing::Test
{
protected:
    // Loads `bytes` as a file into `config`; the result of Load.
    bool LoadBytes(CConfigFile& config, const std::string& bytes)
    {
        std::wstring path = folder_.File(L"loaded.cfg");
        return WriteWholeFile(path, bytes) && config.Load(path.c_str());
    }
    // The bytes that Save writes for `config`, or "<failed>".
    std::string SavedBytes(CConfigFile& config)
    {
        std::wstring path = folder_.File(L"saved.cfg");
        return config.Save(path.c_str()) ? ReadWholeFile(path) : "<failed>";
    }
    TempFolder folder_{ L"cfg" };
};

// A Win32 thread running a function; joined (with a generous limit) on destruction.
class Worker
{
public:
    explicit Worker(std::function<void()> body) : body_(std::move(body))
    {
        thread_ = CreateThread(nullptr, 0, &Worker::Run, this, 0, nullptr);
    }
    ~Worker() { Join(); }
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // True when the thread ended within `ms`.
    bool Join(DWORD ms = 60000)
    {
        if (thread_ && WaitForSingleObject(thread_, ms) != WAIT_OBJECT_0)
            return false;
        if (thread_)
            CloseHandle(thread_);
        thread_ = nullptr;
        return true;
    }

private:
    static DWORD WINAPI Run(void* self) { return static_cast<Worker*>(self)->body_(), 0; }
    std::function<void()> body_;
    HANDLE thread_;
};
