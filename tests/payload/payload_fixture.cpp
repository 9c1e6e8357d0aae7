#include "payload/payload_fixture.h"

#include <string.h>

#include "base/scoped_handle.h"
#include "tools/payload-builder/folder_packer.h"

Bytes MakeContent(size_t size, unsigned seed, bool compressible)
{
    static const char* const kWords[] = {"server ", "mail ", "calendar ", "\r\n", "contact ", "<div>", "0123 "};
    Bytes bytes;
    bytes.reserve(size);
    unsigned state = seed * 2654435761u + 1;
    while (bytes.size() < size) {
        state = state * 1103515245u + 12345u;
        if (compressible) {
            const char* word = kWords[(state >> 16) % 7];
            for (; *word && bytes.size() < size; ++word)
                bytes.push_back(static_cast<BYTE>(*word));
        } else {
            bytes.push_back(static_cast<BYTE>(state >> 23));
        }
    }
    return bytes;
}

bool WriteBytes(const std::wstring& path, const Bytes& bytes)
{
    return WriteWholeFile(path, std::string(bytes.begin(), bytes.end()));
}

Bytes ReadBytes(const std::wstring& path)
{
    std::string bytes = ReadWholeFile(path);
    return Bytes(bytes.begin(), bytes.end());
}

FILETIME MakeTime(int year, int month, int day, int hour)
{
    SYSTEMTIME system = {WORD(year), WORD(month), 0, WORD(day), WORD(hour), 0, 0, 0};
    FILETIME time = {};
    SystemTimeToFileTime(&system, &time);
    return time;
}

bool SetTimes(const std::wstring& path, const FILETIME& creation, const FILETIME& access, const FILETIME& write)
{
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return file && SetFileTime(file.Get(), &creation, &access, &write);
}

bool HasTime(const std::wstring& path, int which, const FILETIME& time)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    const FILETIME& actual = which == 0 ? data.ftCreationTime : which == 1 ? data.ftLastAccessTime : data.ftLastWriteTime;
    return CompareFileTime(&actual, &time) == 0;
}

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

PayloadEntry MakeEntry(const wchar_t* name, INT32 size, DWORD attributes, BYTE replace)
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

ArchiveBuilder::ArchiveBuilder(const BYTE* key, int level) : writer_(sink_, key, 128, level)
{
    EXPECT_TRUE(writer_.Begin());
}

ArchiveBuilder& ArchiveBuilder::File(const wchar_t* name, const Bytes& content, BYTE replace, DWORD attributes)
{
    return Entry(MakeEntry(name, static_cast<INT32>(content.size()), attributes, replace), content);
}

ArchiveBuilder& ArchiveBuilder::Folder(const wchar_t* name, BYTE replace)
{
    return Entry(MakeEntry(name, kPayloadDirectorySize, FILE_ATTRIBUTE_DIRECTORY, replace));
}

ArchiveBuilder& ArchiveBuilder::Entry(const PayloadEntry& entry, const Bytes& content)
{
    EXPECT_TRUE(writer_.AddEntry(entry));
    if (!content.empty()) {
        EXPECT_TRUE(writer_.AddContent(content.data(), static_cast<DWORD>(content.size())));
    }
    return *this;
}

Bytes ArchiveBuilder::Finish()
{
    EXPECT_TRUE(writer_.Finish());
    return sink_.bytes;
}

Bytes PackFolderToArchive(const std::wstring& folder, const CKeepList& keep)
{
    CMemorySink sink;
    CPayloadWriter writer(sink, DataKey, kDataKeyBits);
    PackResult result;
    EXPECT_TRUE(writer.Begin());
    EXPECT_TRUE(PackFolder(folder.c_str(), keep, writer, result)) << "at " << std::string(result.failedPath.begin(), result.failedPath.end());
    EXPECT_TRUE(writer.Finish());
    return sink.bytes;
}

void PayloadTest::SetUp()
{
    root_ = scratch_.Path();
    ASSERT_TRUE(CreateDirectoryW(Source().c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(Install().c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(Backup().c_str(), nullptr));
    input_.assign(kPayloadBufferSize, 0);
    window_.assign(kPayloadBufferSize, 0);
    saved_ = g_settings;
    memset(&g_settings, 0, sizeof(g_settings));
    wcsncpy(g_settings.install_dir, Install().c_str(), MAX_PATH - 1);
}

void PayloadTest::TearDown()
{
    g_settings = saved_;
}

std::wstring PayloadTest::Under(const wchar_t* folder, const wchar_t* name) const
{
    std::wstring path = root_ + L"\\" + folder;
    if (name)
        path += std::wstring(L"\\") + name;
    return path;
}

PayloadJob PayloadTest::Job()
{
    PayloadJob job;
    job.reporter = &reported;
    job.input = input_.data();
    job.window = window_.data();
    return job;
}

bool PayloadTest::Extract(const Bytes& archive, const std::wstring& backupDir)
{
    return ExtractPayloadArchive(Job(), archive.data(), static_cast<DWORD>(archive.size()), backupDir.c_str());
}

void PayloadTest::ExpectNothingOutsideTheFolders() const
{
    std::vector<std::wstring> top;
    for (const std::wstring& name : ListTree(root_)) {
        if (name.find(L'\\') == name.size() - 1 || name.find(L'\\') == std::wstring::npos)
            top.push_back(name);
    }
    EXPECT_EQ((std::vector<std::wstring>{L"backup\\", L"install\\", L"source\\"}), top);
}
