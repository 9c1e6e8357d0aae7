#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "base/install_settings.h"
#include "engine/payload_extractor.h"
#include "formats/crypto/data_key.h"
#include "formats/payload/payload_entry.h"
#include "support/machine_state.h"
#include "support/temp_folder.h"
#include "tools/payload-builder/keep_list.h"
#include "tools/payload-builder/payload_sinks.h"
#include "tools/payload-builder/payload_writer.h"

using Bytes = std::vector<BYTE>;

// Test data: `size` bytes, compressible text-like or incompressible noise.
Bytes MakeContent(size_t size, unsigned seed, bool compressible);
bool WriteBytes(const std::wstring& path, const Bytes& bytes);
Bytes ReadBytes(const std::wstring& path);
FILETIME MakeTime(int year, int month, int day, int hour);
bool SetTimes(const std::wstring& path, const FILETIME& creation, const FILETIME& access, const FILETIME& write);
// Whether the file's creation (0), last access (1) or last write (2) time is `time`.
bool HasTime(const std::wstring& path, int which, const FILETIME& time);
bool Exists(const std::wstring& path);

// An entry as the builder makes it.
PayloadEntry MakeEntry(const wchar_t* name, INT32 size, DWORD attributes = FILE_ATTRIBUTE_ARCHIVE, BYTE replace = 1);

// Builds archives in memory, from entries or from a folder.
class ArchiveBuilder
{
public:
    explicit ArchiveBuilder(const BYTE* key = DataKey, int level = 6);
    ArchiveBuilder& File(const wchar_t* name, const Bytes& content, BYTE replace = 1,
                         DWORD attributes = FILE_ATTRIBUTE_ARCHIVE);
    ArchiveBuilder& Folder(const wchar_t* name, BYTE replace = 1);
    ArchiveBuilder& Entry(const PayloadEntry& entry, const Bytes& content = Bytes());
    Bytes Finish();
    // Length of the deflate stream of Finish, before padding.
    ULONGLONG DeflatedBytes() const { return writer_.DeflatedBytes(); }

private:
    CMemorySink sink_;
    CPayloadWriter writer_;
};

Bytes PackFolderToArchive(const std::wstring& folder, const CKeepList& keep);

// A scratch root holding "source", "install" and "backup", the two 64 KiB buffers, and
// g_settings pointed at "install" (saved and restored around each test).
class PayloadTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    std::wstring Source(const wchar_t* name = nullptr) const { return Under(L"source", name); }
    std::wstring Install(const wchar_t* name = nullptr) const { return Under(L"install", name); }
    std::wstring Backup(const wchar_t* name = nullptr) const { return Under(L"backup", name); }
    std::wstring Under(const wchar_t* folder, const wchar_t* name) const;

    // Jobs report their failures' messages to `reported`.
    PayloadJob Job();
    bool Extract(const Bytes& archive, const std::wstring& backupDir = std::wstring());
    // Nothing but source, install and backup is in the scratch root.
    void ExpectNothingOutsideTheFolders() const;

    // The messages a job acknowledged: text and kind.
    struct Reported : InstallReporter
    {
        std::vector<std::pair<std::wstring, UINT>> messages;
        void StepChanged(int, StepState, int, DWORD) override {}
        void Status(const wchar_t*) override {}
        void Acknowledge(const wchar_t* text, UINT kind) override { messages.emplace_back(text, kind); }
        bool CancelRequested() override { return false; }
        void Ended(bool) override {}
    } reported;

    TempFolder scratch_{L"payload"};
    std::wstring root_;
    Bytes input_;
    Bytes window_;
    InstallSettings saved_;
};
