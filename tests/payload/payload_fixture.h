#pragma once
// What the payload tests share: test data, archives built in memory, and a scratch root
// with the folders an extraction uses.
#include <gtest/gtest.h>
#include <windows.h>
#include <string.h>

#include <string>
#include <vector>

#include "base/install_settings.h"
#include "base/scoped_handle.h"
#include "engine/payload_extractor.h"
#include "formats/crypto/data_key.h"
#include "formats/payload/payload_entry.h"
#include "support/machine_state.h"
#include "support/temp_folder.h"
#include "tools/payload-builder/folder_packer.h"
#include "tools/payload-builder/keep_list.h"
#include "tools/payload-builder/payload_sinks.h"
#include "tools/payload-builder/payload_writer.h"

using Bytes = std::vector<BYTE>;

// `size` bytes, compressible text-like or incompressible noise.
inline Bytes MakeContent(size_t size, unsigned seed, bool compressible)
{
    static const char* const kWords[] = {"server ", "mail ", "calendar ", "\r\n", "contact ", "<div>", "0123 "};
    Bytes bytes;
    bytes.reserve(size);
    unsigned state = seed * 2654435761u + 1;
    while (bytes.size() < size) {
        state = state * 1103515245u + 12345u;
        if (compressible) {
            for (const char* word = kWords[(state >> 16) % 7]; *word && bytes.size() < size; ++word)
                bytes.push_back(static_cast<BYTE>(*word));
        } else {
            bytes.push_back(static_cast<BYTE>(state >> 23));
        }
    }
    return bytes;
}

inline bool WriteBytes(const std::wstring& path, const Bytes& bytes)
{
    return WriteWholeFile(path, std::string(bytes.begin(), bytes.end()));
}

inline Bytes ReadBytes(const std::wstring& path)
{
    std::string bytes = ReadWholeFile(path);
    return Bytes(bytes.begin(), bytes.end());
}

inline FILETIME MakeTime(int year, int month, int day, int hour)
{
    SYSTEMTIME system = {WORD(year), WORD(month), 0, WORD(day), WORD(hour), 0, 0, 0};
    FILETIME time = {};
    SystemTimeToFileTime(&system, &time);
    return time;
}

inline bool SetTimes(const std::wstring& path, const FILETIME& creation, const FILETIME& access, const FILETIME& write)
{
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return file && SetFileTime(file.Get(), &creation, &access, &write);
}

// Whether the file's creation (0), last access (1) or last write (2) time is `time`.
inline bool HasTime(const std::wstring& path, int which, const FILETIME& time)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    const FILETIME& actual = which == 0 ? data.ftCreationTime : which == 1 ? data.ftLastAccessTime : data.ftLastWriteTime;
    return CompareFileTime(&actual, &time) == 0;
}

// An entry as the builder makes it.
inline PayloadEntry MakeEntry(const wchar_t* name, INT32 size, DWORD attributes = FILE_ATTRIBUTE_ARCHIVE,
                              BYTE replace = 1)
{
    PayloadEntry entry;
    memset(&entry, 0, sizeof(entry));
    wcsncpy(entry.name, name, 259);
    entry.size = size;
    entry.creationTime = MakeTime(2019, 3, 4, 5);
    entry.lastAccessTime = MakeTime(2020, 6, 7, 8);
    entry.lastWriteTime = MakeTime(2021, 9, 10, 11);
    entry.attributes = attributes;
    entry.replace = replace;
    return entry;
}

// Builds archives in memory.
class ArchiveBuilder
{
public:
    explicit ArchiveBuilder(const BYTE* key = DataKey, int level = 6) : writer_(sink_, key, 128, level)
    {
        EXPECT_TRUE(writer_.Begin());
    }
    ArchiveBuilder& File(const wchar_t* name, const Bytes& content, BYTE replace = 1)
    {
        return Entry(MakeEntry(name, static_cast<INT32>(content.size()), FILE_ATTRIBUTE_ARCHIVE, replace), content);
    }
    ArchiveBuilder& Folder(const wchar_t* name, BYTE replace = 1)
    {
        return Entry(MakeEntry(name, kPayloadDirectorySize, FILE_ATTRIBUTE_DIRECTORY, replace));
    }
    ArchiveBuilder& Entry(const PayloadEntry& entry, const Bytes& content = Bytes())
    {
        EXPECT_TRUE(writer_.AddEntry(entry));
        EXPECT_TRUE(content.empty() || writer_.AddContent(content.data(), static_cast<DWORD>(content.size())));
        return *this;
    }
    Bytes Finish()
    {
        EXPECT_TRUE(writer_.Finish());
        return sink_.bytes;
    }
    // Length of the deflate stream of Finish, before padding.
    ULONGLONG DeflatedBytes() const { return writer_.DeflatedBytes(); }

private:
    CMemorySink sink_;
    CPayloadWriter writer_;
};

inline Bytes PackFolderToArchive(const std::wstring& folder, const CKeepList& keep)
{
    CMemorySink sink;
    CPayloadWriter writer(sink, DataKey, kDataKeyBits);
    PackResult result;
    EXPECT_TRUE(writer.Begin());
    EXPECT_TRUE(PackFolder(folder.c_str(), keep, writer, result))
        << "at " << std::string(result.failedPath.begin(), result.failedPath.end());
    EXPECT_TRUE(writer.Finish());
    return sink.bytes;
}

// A scratch root holding "source", "install" and "backup", the two 64 KiB buffers, and
// g_settings pointed at "install" (saved and restored around each test).
class PayloadTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const wchar_t* folder : {L"source", L"install", L"backup"})
            ASSERT_TRUE(CreateDirectoryW(Under(folder, nullptr).c_str(), nullptr));
        saved_ = g_settings;
        memset(&g_settings, 0, sizeof(g_settings));
        wcsncpy(g_settings.install_dir, Install().c_str(), MAX_PATH - 1);
    }
    void TearDown() override { g_settings = saved_; }

    std::wstring Source(const wchar_t* name = nullptr) const { return Under(L"source", name); }
    std::wstring Install(const wchar_t* name = nullptr) const { return Under(L"install", name); }
    std::wstring Backup(const wchar_t* name = nullptr) const { return Under(L"backup", name); }
    std::wstring Under(const wchar_t* folder, const wchar_t* name) const
    {
        return root_ + L"\\" + folder + (name ? std::wstring(L"\\") + name : std::wstring());
    }

    // Jobs tell of a damaged archive in `corrupt`.
    PayloadJob Job()
    {
        PayloadJob job;
        job.corrupt = &corrupt;
        job.input = input_.data();
        job.window = window_.data();
        job.folder = g_settings.install_dir;
        job.keepUnmarked = g_settings.upgrade;
        return job;
    }
    bool Extract(const Bytes& archive, const std::wstring& backupDir = std::wstring(),
                 InstallationRecordWriter* record = nullptr)
    {
        PayloadJob job = Job();
        job.record = record;
        return ExtractPayloadArchive(job, archive.data(), static_cast<DWORD>(archive.size()), backupDir.c_str());
    }
    // Nothing but source, install and backup is in the scratch root.
    void ExpectNothingOutsideTheFolders() const
    {
        std::vector<std::wstring> top;
        for (const std::wstring& name : ListTree(root_)) {
            if (name.find(L'\\') == name.size() - 1 || name.find(L'\\') == std::wstring::npos)
                top.push_back(name);
        }
        EXPECT_EQ((std::vector<std::wstring>{L"backup\\", L"install\\", L"source\\"}), top);
    }

    bool corrupt = false;

    TempFolder scratch_{L"payload"};
    std::wstring root_ = scratch_.Path();
    Bytes input_ = Bytes(kPayloadBufferSize);
    Bytes window_ = Bytes(kPayloadBufferSize);
    InstallSettings saved_;
};
