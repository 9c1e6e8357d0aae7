// Removing an installation by its record: what the setup made goes, what others put there
// stays, and no entry that names anything else is acted on. A record that is not the setup's
// is not acted on at all: only the names every installation has go then.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "formats/installation_record/installation_record.h"
#include "support/temp_folder.h"
#include "system/removal/installation_removal.h"

TEST(InstallationRecord, ALineThatIsNoEntryRefusesTheWholeRecord)
{
    const char* lines[] = {"X a", "F", "folder\r\nfolder", "F a.txt\n", "F a\xff"};
    for (const char* line : lines) {
        SCOPED_TRACE(line);
        TempFolder temp(L"record");
        const std::wstring folder = temp.File(L"Apps");
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
        ASSERT_TRUE(WriteWholeFile(folder + L"\\uninstall.lst", std::string(line) + "\r\n"));
        for (const std::wstring name : {L"Velmora.exe", L"outside.txt", L"a.txt", L"x"})
            ASSERT_TRUE(WriteWholeFile(folder + L"\\" + name, "x") && WriteWholeFile(temp.File(name.c_str()), "x"));
        InstallationRecord record;
        EXPECT_FALSE(record.Load(folder.c_str()));
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA), GetLastError());
        EXPECT_TRUE(RemoveRecordedInstallation(folder.c_str()));
        EXPECT_FALSE(PathExists(folder + L"\\Velmora.exe"));
        EXPECT_FALSE(PathExists(folder + L"\\uninstall.lst"));
        for (const std::wstring name : {L"outside.txt", L"a.txt", L"x"})
            EXPECT_TRUE(PathExists(folder + L"\\" + name) && PathExists(temp.File(name.c_str()))) << "a damaged record took it";
    }
}

// An entry that leads out of the folder, or that Windows reads as another name ("kept.txt."
// opens kept.txt), is passed over; the installation still goes. A row per kind of name, read
// as UTF-8; every name of each kind is the NameRules table's.
TEST(InstallationRecord, AnEntryThatNamesAnotherFileIsPassedOver)
{
    TempFolder temp(L"record");
    const std::wstring folder = temp.File(L"Apps");
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    for (const std::wstring& file : {temp.File(L"outside.txt"), folder + L"\\kept.txt", folder + L"\\made.txt"})
        ASSERT_TRUE(WriteWholeFile(file, "x"));
    const char* const hostile[] = {"F ..\\outside.txt", "F a/../../outside.txt", "F C:\\x", "D ", "F kept.txt.",
                                   "F KEPT~1.TXT", "F com\xc2\xb9.txt"};
    std::string text;
    for (const char* line : hostile)
        text += std::string(line) + "\r\nF made.txt\r\n";
    ASSERT_TRUE(WriteWholeFile(folder + L"\\uninstall.lst", text));
    InstallationRecord record;
    ASSERT_TRUE(record.Load(folder.c_str()));
    EXPECT_EQ(sizeof hostile / sizeof hostile[0], record.Count());
    EXPECT_EQ(sizeof hostile / sizeof hostile[0], record.PassedOver());

    EXPECT_TRUE(RemoveRecordedInstallation(folder.c_str()));
    EXPECT_FALSE(PathExists(folder + L"\\made.txt"));
    EXPECT_TRUE(PathExists(folder + L"\\kept.txt"));
    EXPECT_TRUE(PathExists(temp.File(L"outside.txt")));
}

// The record as the setup writes it, added to by an upgrade that opens it again.
TEST(RecordedRemoval, TakesWhatTheSetupRecordedAndLeavesWhatOthersPutThere)
{
    const wchar_t* const russian = L"\u0432\u0435\u043b.txt";
    const RecordedKind kFolder = RecordedKind::kFolder, kFile = RecordedKind::kFile;
    const struct {
        const char* what;
        bool recorded, madeFolder;
        std::vector<std::pair<RecordedKind, std::wstring>> entries;  // the second half by the upgrade
        std::vector<std::wstring> left;
    } cases[] = {
        {"the record's word that the setup made the folder takes nothing more", true, true,
         {{kFile, L"a.txt"}, {kFile, L"sub\\b.txt"}},
         {L"", L"sub", L"empty", L"mine.txt", L"sub\\mine.txt", russian, L"Velmora.exe"}},
        {"without a record only the names every installation has go", false, false, {},
         {L"", L"sub", L"empty", L"a.txt", L"sub\\b.txt", L"mine.txt", L"sub\\mine.txt", russian}},
        {"in an existing folder only the recorded entries go", true, false,
         {{kFolder, L"sub"}, {kFile, L"a.txt"}, {kFile, L"sub\\b.txt"}, {kFile, russian}, {kFolder, L"empty"}},
         {L"", L"mine.txt", L"sub", L"sub\\mine.txt", L"Velmora.exe"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder temp(L"recorded");
        const std::wstring folder = temp.File(L"Apps");
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
        for (const wchar_t* made : {L"\\sub", L"\\empty"})
            ASSERT_TRUE(CreateDirectoryW((folder + made).c_str(), nullptr));
        for (const std::wstring file : {L"a.txt", L"sub\\b.txt", L"mine.txt", L"sub\\mine.txt", russian, L"Velmora.exe"})
            ASSERT_TRUE(WriteWholeFile(folder + L"\\" + file, "x"));
        InstallationRecordWriter writer;
        for (size_t i = 0; i < c.entries.size(); ++i) {
            if (i == 0 || i == c.entries.size() / 2) {
                writer.Close();
                ASSERT_TRUE(writer.Open(folder.c_str(), c.madeFolder && i == 0));
            }
            ASSERT_TRUE(writer.Add(c.entries[i].first, c.entries[i].second.c_str()));
        }
        EXPECT_EQ(c.recorded, writer.IsOpen() && !writer.Add(kFile, L"") && !writer.Add(kFile, L"sub/b.txt") &&
                                  GetLastError() == ERROR_INVALID_NAME)
            << "only paths kept as written, separated by \\, are entries";
        writer.Close();

        EXPECT_TRUE(RemoveRecordedInstallation(folder.c_str()));
        for (const std::wstring entry : {L"", L"a.txt", L"sub", L"sub\\b.txt", L"empty", L"mine.txt",
                                          L"sub\\mine.txt", russian, L"uninstall.lst", L"Velmora.exe"}) {
            bool expected = false;
            for (const std::wstring& left : c.left)
                expected = expected || left == entry;
            EXPECT_EQ(expected, PathExists(entry.empty() ? folder : folder + L"\\" + entry))
                << testing::PrintToString(entry);
        }
    }
}
