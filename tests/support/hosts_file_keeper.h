#pragma once
#include <windows.h>
#include <shlobj.h>
#include <string>

#include "support/temp_folder.h"

// Puts the system's hosts file back as it was (or removes it) when the test ends. The path
// is worked out here, not by the program under test.
class HostsFileKeeper
{
public:
    HostsFileKeeper()
    {
        wchar_t system[MAX_PATH] = {};
        SHGetSpecialFolderPathW(nullptr, system, CSIDL_SYSTEM, FALSE);
        path_ = std::wstring(system) + L"\\drivers\\etc\\hosts";
        existed_ = GetFileAttributesW(path_.c_str()) != INVALID_FILE_ATTRIBUTES;
        kept_ = Text();
    }
    ~HostsFileKeeper()
    {
        SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (existed_)
            WriteWholeFile(path_, kept_);
        else
            DeleteFileW(path_.c_str());
    }
    HostsFileKeeper(const HostsFileKeeper&) = delete;
    HostsFileKeeper& operator=(const HostsFileKeeper&) = delete;

    const std::wstring& Path() const { return path_; }
    bool Existed() const { return existed_; }
    // The text as it was, and as it is now.
    const std::string& Kept() const { return kept_; }
    std::string Text() const { return ReadWholeFile(path_); }

private:
    std::wstring path_;
    bool existed_;
    std::string kept_;
};
