// Removing an installation by its record: what the setup made goes, what others put there
// stays, and a record that names anything outside the folder is not acted on.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "formats/installation_record/installation_record.h"
#include "support/temp_folder.h"
#include "system/removal/installation_removal.h"

TEST(InstallationRecord, WrittenAsTheWorkGoesAndAddedToByAnUpgrade)
{
    TempFolder folder(L"record");
    InstallationRecordWriter writer;
    ASSERT_TRUE(writer.Open(folder.Path().c_str(), true));
    ASSERT_TRUE(writer.Add(RecordedKind::kFolder, L"config"));
    ASSERT_TRUE(writer.Add(RecordedKind::kFile, L"config\\\u0432\u0435\u043b.cfg"));
    writer.Close();
    ASSERT_TRUE(writer.Open(folder.Path().c_str(), false));
    ASSERT_TRUE(writer.Add(RecordedKind::kFile, L"Velmora.exe"));
    EXPECT_FALSE(writer.Add(RecordedKind::kFile, L""));
    writer.Close();

    InstallationRecord record;
    ASSERT_TRUE(record.Load(folder.Path().c_str()));
    EXPECT_TRUE(record.MadeFolder());
    ASSERT_EQ(3u, record.Count());
    EXPECT_EQ(RecordedKind::kFolder, record.Kind(0));
    EXPECT_EQ(std::wstring(L"config\\\u0432\u0435\u043b.cfg"), record.Path(1));
    EXPECT_EQ(RecordedKind::kFile, record.Kind(2));
    EXPECT_EQ(std::wstring(L"Velmora.exe"), record.Path(2));
}

TEST(InstallationRecord, AnEntryThatLeadsOutOfTheFolderRefusesTheWholeRecord)
{
    const char* lines[] = {"F ..\\outside.txt", "F a\\..\\..\\x", "F \\Windows\\x", "F C:\\x", "F a.txt:stream",
                           "F a/../../x", "F .\\a", "D ", "X a", "folder\r\nfolder", "F a.txt\n", "F a\xff"};
    for (const char* line : lines) {
        SCOPED_TRACE(line);
        TempFolder folder(L"record");
        ASSERT_TRUE(WriteWholeFile(folder.File(L"uninstall.lst"), std::string(line) + "\r\n"));
        InstallationRecord record;
        EXPECT_FALSE(record.Load(folder.Path().c_str()));
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA), GetLastError());
        EXPECT_FALSE(RemoveRecordedInstallation(folder.Path().c_str()));
        EXPECT_TRUE(PathExists(folder.File(L"uninstall.lst"))) << "nothing is removed by a damaged record";
    }
}

TEST(RecordedRemoval, TakesWhatTheSetupMadeAndLeavesWhatOthersPutThere)
{
    const struct {
        const char* what;
        std::string record;  // empty: none
        std::vector<std::wstring> left;
    } cases[] = {
        {"a folder the setup made goes whole", "folder\r\nF a.txt\r\n", {}},
        {"a folder without a record goes whole", "", {}},
        {"in an existing folder only the recorded entries go", "D sub\r\nF a.txt\r\nF sub\\b.txt\r\nD empty\r\n",
         {L"", L"mine.txt", L"sub", L"sub\\mine.txt"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder temp(L"recorded");
        const std::wstring folder = temp.File(L"Apps");
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
        for (const wchar_t* made : {L"\\sub", L"\\empty"})
            ASSERT_TRUE(CreateDirectoryW((folder + made).c_str(), nullptr));
        for (const wchar_t* file : {L"\\a.txt", L"\\sub\\b.txt", L"\\mine.txt", L"\\sub\\mine.txt"})
            ASSERT_TRUE(WriteWholeFile(folder + file, "x"));
        if (!c.record.empty()) {
            ASSERT_TRUE(WriteWholeFile(folder + L"\\uninstall.lst", c.record));
        }

        EXPECT_TRUE(RemoveRecordedInstallation(folder.c_str()));
        for (const wchar_t* entry : {L"", L"\\a.txt", L"\\sub", L"\\sub\\b.txt", L"\\empty", L"\\mine.txt",
                                     L"\\sub\\mine.txt", L"\\uninstall.lst"}) {
            bool expected = false;
            for (const std::wstring& left : c.left)
                expected = expected || (left.empty() ? L"" : L"\\" + left) == entry;
            EXPECT_EQ(expected, PathExists(folder + entry)) << testing::PrintToString(std::wstring(entry));
        }
    }
}
