#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "formats/config/config_file.h"
#include "support/temp_folder.h"

// The value of `name`, or "<absent>" when Get finds none.
inline std::wstring ValueOf(CConfigFile& config, const wchar_t* name)
{
    static wchar_t buffer[CConfigFile::kMaxValueLength + 1];
    buffer[0] = 0;
    if (!config.Get(name, buffer, CConfigFile::kMaxValueLength + 1))
        return L"<absent>";
    return buffer;
}

// Loads `bytes` as a file into `config`; the result of Load.
inline bool LoadBytes(CConfigFile& config, const TempFolder& folder, const std::string& bytes)
{
    std::wstring path = folder.File(L"loaded.cfg");
    if (!WriteWholeFile(path, bytes))
        return false;
    return config.Load(path.c_str());
}

// The bytes that Save writes for `config`, or "<failed>".
inline std::string SavedBytes(CConfigFile& config, const TempFolder& folder)
{
    std::wstring path = folder.File(L"saved.cfg");
    if (!config.Save(path.c_str()))
        return "<failed>";
    return ReadWholeFile(path);
}

// A folder for the files one test loads and saves.
class ConfigFileTest : public ::testing::Test
{
protected:
    TempFolder folder_{ L"cfg" };
};
