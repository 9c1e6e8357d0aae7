// What an extraction makes goes on the installation's record, and it never writes through
// a link that somebody put into the folder.
#include <gtest/gtest.h>
#include <windows.h>

#include "formats/installation_record/installation_record.h"
#include "payload/payload_fixture.h"
#include "support/host_link.h"

using PayloadSafety = PayloadTest;

TEST_F(PayloadSafety, RecordsTheFilesWrittenAndTheFoldersMadeButNotThoseThatWereThere)
{
    ASSERT_TRUE(CreateDirectoryW(Install(L"data").c_str(), nullptr));
    Bytes archive = ArchiveBuilder().Folder(L"data").Folder(L"config").File(L"config\\a.cfg", Bytes(3, 'a'))
                        .File(L"Velmora.exe", Bytes(5, 'v')).Finish();
    InstallationRecordWriter writer;
    ASSERT_TRUE(writer.Open(Install().c_str(), false));
    ASSERT_TRUE(Extract(archive, L"", &writer));
    writer.Close();

    InstallationRecord record;
    ASSERT_TRUE(record.Load(Install().c_str()));
    EXPECT_FALSE(record.MadeFolder());
    std::wstring entries;
    for (size_t i = 0; i < record.Count(); ++i)
        entries += std::wstring(1, static_cast<wchar_t>(record.Kind(i))) + L" " + record.Path(i) + L"; ";
    EXPECT_EQ(L"D config; F config\\a.cfg; F Velmora.exe; ", entries);
}

TEST_F(PayloadSafety, AnEntryBehindALinkInTheFolderIsRefused)
{
    TempFolder outside(L"outside");
    ASSERT_TRUE(WriteBytes(outside.File(L"a.cfg"), Bytes(4, 'o')));
    RunHost(L"ln", L"-s", {outside.Path(), Install(L"config")});
    ASSERT_TRUE(IsLink(Install(L"config")));
    Bytes archive = ArchiveBuilder().File(L"config\\a.cfg", Bytes(3, 'a')).File(L"config\\b.cfg", Bytes(3, 'b')).Finish();

    SetLastError(0);
    EXPECT_FALSE(Extract(archive));
    EXPECT_EQ(static_cast<DWORD>(ERROR_CANT_ACCESS_FILE), GetLastError());
    EXPECT_EQ(1u, reported.messages.size());
    EXPECT_EQ(Bytes(4, 'o'), ReadBytes(outside.File(L"a.cfg")));
    EXPECT_FALSE(PathExists(outside.File(L"b.cfg")));
    RunHost(L"rm", L"", {Install(L"config")});
}
