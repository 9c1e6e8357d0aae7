// Where the setup may write its log: the path's walk over a fake machine's entries, and the
// opened file's facts, each rule as a table.
#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <string>

#include "base/log_path_rules.h"
#include "support/enum_printers.h"

namespace {

const DWORD kFolder = FILE_ATTRIBUTE_DIRECTORY;
const DWORD kFile = FILE_ATTRIBUTE_ARCHIVE;
const DWORD kLink = FILE_ATTRIBUTE_REPARSE_POINT;

class FakeEntries final : public LogPathMachine
{
public:
    explicit FakeEntries(std::map<std::wstring, DWORD> entries) : entries_(std::move(entries)) {}
    DWORD EntryAttributes(const wchar_t* path) override
    {
        asked += std::wstring(path) + L"|";
        auto found = entries_.find(path);
        return found == entries_.end() ? INVALID_FILE_ATTRIBUTES : found->second;
    }
    std::wstring asked;

private:
    std::map<std::wstring, DWORD> entries_;
};

} // namespace

TEST(JudgeLogPath, WalksEveryFolderFromTheRootAndRefusesLinksMissingFoldersAndOddForms)
{
    const struct { const wchar_t* path; std::map<std::wstring, DWORD> entries; LogRefusal refusal; bool exists; }
        cases[] = {
        {L"C:\\Logs\\run.log", {{L"C:\\Logs", kFolder}}, LogRefusal::kNone, false},
        {L"C:\\Logs\\run.log", {{L"C:\\Logs", kFolder}, {L"C:\\Logs\\run.log", kFile}}, LogRefusal::kNone, true},
        {L"C:\\run.log", {}, LogRefusal::kNone, false},
        // A junction or mount point anywhere on the way, the last folder, the file itself.
        {L"C:\\logs-link\\sub\\run.log", {{L"C:\\logs-link", kFolder | kLink}, {L"C:\\logs-link\\sub", kFolder}},
         LogRefusal::kLinkInPath, false},
        {L"C:\\Logs\\sub\\run.log", {{L"C:\\Logs", kFolder}, {L"C:\\Logs\\sub", kFolder | kLink}},
         LogRefusal::kLinkInPath, false},
        {L"C:\\Logs\\run.log", {{L"C:\\Logs", kFolder}, {L"C:\\Logs\\run.log", kFile | kLink}},
         LogRefusal::kLinkInPath, false},
        // Nothing is made for the log: a missing folder is refused, a file is no folder.
        {L"C:\\Missing\\run.log", {}, LogRefusal::kFolderMissing, false},
        {L"C:\\Logs\\file\\run.log", {{L"C:\\Logs", kFolder}, {L"C:\\Logs\\file", kFile}}, LogRefusal::kNotAFolder,
         false},
        {L"C:\\Logs\\run.log", {{L"C:\\Logs", kFolder}, {L"C:\\Logs\\run.log", kFolder}}, LogRefusal::kIsFolder,
         false},
        // A share: the walk begins below the share's name.
        {L"\\\\server\\share\\logs\\run.log", {{L"\\\\server\\share\\logs", kFolder}}, LogRefusal::kNone, false},
        {L"\\\\server\\share\\logs\\run.log", {{L"\\\\server\\share\\logs", kFolder | kLink}},
         LogRefusal::kLinkInPath, false},
        // Forms the walk cannot judge.
        {L"run.log", {}, LogRefusal::kBadPath, false},
        {L"C:run.log", {}, LogRefusal::kBadPath, false},
        {L"\\\\?\\C:\\Logs\\run.log", {{L"\\\\?\\C:\\Logs", kFolder}}, LogRefusal::kBadPath, false},
        {L"\\\\.\\pipe\\log", {}, LogRefusal::kBadPath, false},
        {L"\\\\server\\run.log", {}, LogRefusal::kBadPath, false},
        {L"C:\\Logs\\", {{L"C:\\Logs", kFolder}}, LogRefusal::kBadPath, false},
        {L"C:\\Logs\\\\run.log", {{L"C:\\Logs", kFolder}}, LogRefusal::kBadPath, false},
        {L"C:\\Logs\\..\\run.log", {{L"C:\\Logs", kFolder}, {L"C:\\Logs\\..", kFolder}}, LogRefusal::kBadPath,
         false},
        {L"C:\\", {}, LogRefusal::kBadPath, false},
    };
    for (const auto& c : cases) {
        FakeEntries machine(c.entries);
        bool exists = !c.exists;
        EXPECT_EQ(c.refusal, JudgeLogPath(c.path, machine, exists)) << c.path;
        EXPECT_EQ(c.exists, exists) << c.path;
    }
}

TEST(JudgeLogPath, LooksAtEachFolderBeforeTheFileAndStopsAtTheFirstLink)
{
    FakeEntries machine({{L"D:\\a", kFolder}, {L"D:\\a\\b", kFolder | kLink}, {L"D:\\a\\b\\c", kFolder}});
    bool exists = false;
    EXPECT_EQ(LogRefusal::kLinkInPath, JudgeLogPath(L"D:\\a\\b\\c\\run.log", machine, exists));
    EXPECT_EQ(L"D:\\a|D:\\a\\b|", machine.asked);
}

TEST(JudgeOpenedLog, TakesOnlyOneNamedFileOfAnAdministratorOrItsOwnAtThePathAskedFor)
{
    const wchar_t path[] = L"C:\\Logs\\run.log";
    const struct { const char* what; OpenedLogFacts facts; LogRefusal refusal; } cases[] = {
        {"made now", {kFile, 1, true, OwnerKind::kOther, path}, LogRefusal::kNone},
        {"SYSTEM's", {kFile, 1, false, OwnerKind::kSystem, path}, LogRefusal::kNone},
        {"Administrators'", {kFile, 1, false, OwnerKind::kAdministrators, path}, LogRefusal::kNone},
        {"an administrator's", {kFile, 1, false, OwnerKind::kAdministratorMember, path}, LogRefusal::kNone},
        {"the running account's", {kFile, 1, false, OwnerKind::kRunningAccount, path}, LogRefusal::kNone},
        {"XP: no final path", {kFile, 1, false, OwnerKind::kSystem, nullptr}, LogRefusal::kNone},
        {"final path with prefix, other case", {kFile, 1, false, OwnerKind::kSystem, L"\\\\?\\c:\\logs\\RUN.LOG"},
         LogRefusal::kNone},
        {"a user's", {kFile, 1, false, OwnerKind::kOther, path}, LogRefusal::kForeignOwner},
        {"TrustedInstaller's", {kFile, 1, false, OwnerKind::kTrustedInstaller, path}, LogRefusal::kForeignOwner},
        {"owner unknown", {kFile, 1, false, OwnerKind::kUnknown, path}, LogRefusal::kForeignOwner},
        {"hard link", {kFile, 2, false, OwnerKind::kSystem, path}, LogRefusal::kHardLinks},
        {"hard link made now", {kFile, 2, true, OwnerKind::kRunningAccount, path}, LogRefusal::kHardLinks},
        {"link", {kFile | kLink, 1, false, OwnerKind::kSystem, path}, LogRefusal::kLinkInPath},
        {"folder", {kFolder, 1, false, OwnerKind::kSystem, path}, LogRefusal::kIsFolder},
        {"reached elsewhere", {kFile, 1, true, OwnerKind::kRunningAccount, L"\\\\?\\C:\\Windows\\run.log"},
         LogRefusal::kElsewhere},
        {"a share asked, a drive reached", {kFile, 1, true, OwnerKind::kRunningAccount, L"\\\\?\\UNC\\Logs\\run.log"},
         LogRefusal::kElsewhere},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.refusal, JudgeOpenedLog(path, c.facts)) << c.what;
    const OpenedLogFacts share = {kFile, 1, true, OwnerKind::kRunningAccount, L"\\\\?\\UNC\\server\\share\\run.log"};
    EXPECT_EQ(LogRefusal::kNone, JudgeOpenedLog(L"\\\\server\\share\\run.log", share));
}
