// Extraction over an existing installation: backups, kept files, replace flags, the
// installation's record, and links somebody put into the folder.
#include <gtest/gtest.h>
#include <windows.h>

#include <map>

#include "formats/installation_record/installation_record.h"
#include "payload/payload_fixture.h"
#include "support/host_link.h"
#include "system/removal/installation_restore.h"

// Each entry of the folder (a folder's ends in "\") with its content.
std::map<std::wstring, Bytes> TreeContent(const std::wstring& folder)
{
    std::map<std::wstring, Bytes> content;
    for (const std::wstring& name : ListTree(folder))
        content[name] = name.back() == L'\\' ? Bytes() : ReadBytes(folder + L"\\" + name);
    return content;
}

// Whether the folder holds `expected` and nothing else; a failure names the entries that
// differ ("+" those not expected) rather than printing their bytes.
testing::AssertionResult Holds(const std::wstring& folder, const std::map<std::wstring, Bytes>& expected)
{
    std::map<std::wstring, Bytes> actual = TreeContent(folder);
    std::wstring differing;
    for (const auto& entry : expected) {
        const auto found = actual.find(entry.first);
        if (found == actual.end() || found->second != entry.second)
            differing += L" " + entry.first;
        if (found != actual.end())
            actual.erase(found);
    }
    for (const auto& extra : actual)
        differing += L" +" + extra.first;
    if (differing.empty())
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "differing:" << testing::PrintToString(differing);
}

class PayloadUpgrade : public PayloadTest
{
protected:
    void SetUp() override
    {
        PayloadTest::SetUp();
        // The installed server as an earlier version left it.
        for (const wchar_t* folder : {L"config", L"web", L"cache", L"empty-kept"})
            ASSERT_TRUE(CreateDirectoryW(Install(folder).c_str(), nullptr));
        ASSERT_TRUE(WriteBytes(Install(L"Velmora.exe"), Bytes(300, 'o')));
        ASSERT_TRUE(WriteBytes(Install(L"config\\velmora.cfg"), Bytes(40, 'c')));
        ASSERT_TRUE(WriteBytes(Install(L"web\\index.html"), Bytes(50, 'w')));
        ASSERT_TRUE(WriteBytes(Install(L"config\\mime.types"), Bytes(60, 'm')));
        oldTime_ = MakeTime(2005, 5, 5, 5);
        for (const wchar_t* name : {L"config\\velmora.cfg", L"web", L"cache", L"empty-kept"})
            ASSERT_TRUE(SetTimes(Install(name), oldTime_, oldTime_, oldTime_));
        SetFileAttributesW(Install(L"config\\velmora.cfg").c_str(), FILE_ATTRIBUTE_READONLY);

        archive_ = ArchiveBuilder()
                       .File(L"Velmora.exe", newExe_)
                       .Folder(L"config", 1)
                       .File(L"config\\velmora.cfg", newConfig_, 0)
                       .File(L"config\\defaults.cfg", Bytes(20, 'd'), 0)
                       .File(L"config\\mime.types", newTypes_)
                       .Folder(L"web", 0)
                       .File(L"web\\index.html", newIndex_, 0)
                       .Folder(L"cache")
                       .Folder(L"empty-kept", 0)
                       .Folder(L"logs")
                       .File(L"logs\\readme.txt", Bytes(5, 'r'))
                       .Finish();
    }

    Bytes newExe_ = MakeContent(90000, 21, false);
    Bytes newConfig_ = MakeContent(70000, 22, true);
    Bytes newIndex_ = MakeContent(1000, 23, true);
    Bytes newTypes_ = MakeContent(2000, 24, true);
    Bytes archive_;
    FILETIME oldTime_;
};

// A preview counts by the same rules as the upgrade it foretells, and touches nothing.
TEST_F(PayloadUpgrade, APreviewCountsWhatTheUpgradeWouldWriteReplaceAndKeep)
{
    g_settings.upgrade = true;
    const std::map<std::wstring, Bytes> before = TreeContent(Install());
    PayloadTally tally;
    PayloadJob job = Job();
    job.tally = &tally;
    ASSERT_TRUE(ExtractPayloadArchive(job, archive_.data(), static_cast<DWORD>(archive_.size()), Backup().c_str()));
    // Written: Velmora.exe, config\defaults.cfg, config\mime.types, logs\readme.txt; of them
    // Velmora.exe (300 bytes) and mime.types (60) are there; velmora.cfg and index.html stay.
    EXPECT_EQ((std::vector<ULONGLONG>{4, 90000 + 20 + 2000 + 5, 2, 360, 2, 1}),
              (std::vector<ULONGLONG>{tally.files, tally.bytes, tally.replaced, tally.replaced_bytes, tally.kept,
                                      tally.folders}))
        << "files, bytes, replaced, their bytes, kept, folders";
    EXPECT_TRUE(Holds(Install(), before));
    EXPECT_TRUE(ListTree(Backup()).empty());
}

TEST_F(PayloadUpgrade, KeptFilesStayAndReplacedFilesGoToTheBackup)
{
    g_settings.upgrade = true;
    ASSERT_TRUE(Extract(archive_, Backup()));

    // Replace flag 0 keeps what is there (velmora.cfg, web and what it holds) and extracts
    // what is not (defaults.cfg); a replaced file's old copy goes to the backup under the
    // same relative path, its folder made again there; a kept folder has no twin there.
    const std::map<std::wstring, Bytes> installed = {
        {L"Velmora.exe", newExe_}, {L"cache\\", {}}, {L"config\\", {}}, {L"config\\defaults.cfg", Bytes(20, 'd')},
        {L"config\\mime.types", newTypes_}, {L"config\\velmora.cfg", Bytes(40, 'c')}, {L"empty-kept\\", {}},
        {L"logs\\", {}}, {L"logs\\readme.txt", Bytes(5, 'r')}, {L"web\\", {}}, {L"web\\index.html", Bytes(50, 'w')}};
    EXPECT_TRUE(Holds(Install(), installed));
    const std::map<std::wstring, Bytes> backedUp = {
        {L"Velmora.exe", Bytes(300, 'o')}, {L"cache\\", {}}, {L"config\\", {}}, {L"config\\mime.types", Bytes(60, 'm')}};
    EXPECT_TRUE(Holds(Backup(), backedUp));
    // What is kept keeps its times and attributes; a replaced folder gets the entry's times.
    EXPECT_TRUE(HasTime(Install(L"config\\velmora.cfg"), 2, oldTime_));
    EXPECT_TRUE(GetFileAttributesW(Install(L"config\\velmora.cfg").c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(HasTime(Install(L"web"), 2, oldTime_));
    EXPECT_TRUE(HasTime(Install(L"empty-kept"), 2, oldTime_));
    EXPECT_TRUE(HasTime(Install(L"cache"), 2, MakeTime(2021, 9, 10, 11)));
    ExpectNothingOutsideTheFolders();
}

// A backup folder that does not exist fails the first move with the system's reason, not as
// a damaged archive, and nothing is replaced; without a backup folder files are overwritten
// in place.
TEST_F(PayloadUpgrade, AFailedMoveToTheBackupStopsAndWithoutOneFilesAreOverwritten)
{
    g_settings.upgrade = true;
    SetFileAttributesW(Install(L"config\\velmora.cfg").c_str(), FILE_ATTRIBUTE_NORMAL);
    SetLastError(0);
    EXPECT_FALSE(Extract(archive_, Backup(L"missing")));
    EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError());
    EXPECT_FALSE(corrupt);
    EXPECT_EQ(Bytes(300, 'o'), ReadBytes(Install(L"Velmora.exe")));

    ASSERT_TRUE(Extract(archive_, L""));
    EXPECT_EQ(newConfig_, ReadBytes(Install(L"config\\velmora.cfg")));
    EXPECT_EQ(newExe_, ReadBytes(Install(L"Velmora.exe")));
    EXPECT_TRUE(ListTree(Backup()).empty());
}

// Outside an upgrade even kept files are backed up and replaced, and kept folders get the
// entry's times. After a failed run, the restore puts each replaced file back from the
// backup (also the read-only configuration replaced outside an upgrade), takes each added
// file and folder away and cuts the record back, but never reaches through a link: the
// file behind one stays in the backup, which then stays too, and the rest is put back.
TEST_F(PayloadUpgrade, ARestorePutsBackWhatTheRunReplacedAndTakesWhatItAdded)
{
    struct Case
    {
        const char* name;
        bool upgrade;
        bool configBecomesLink;
    } cases[] = {{"upgrade", true, false}, {"every file replaced", false, false}, {"a link", true, true}};
    InstallationRecordWriter earlier;
    ASSERT_TRUE(earlier.Open(Install().c_str(), false));
    ASSERT_TRUE(earlier.Add(RecordedKind::kFile, L"Velmora.exe"));
    earlier.Close();
    const std::map<std::wstring, Bytes> before = TreeContent(Install());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g_settings.upgrade = c.upgrade;
        const RecordMark mark = MarkInstallationRecord(Install().c_str());
        ASSERT_TRUE(CreateDirectoryW(Backup().c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
        InstallationRecordWriter record;
        ASSERT_TRUE(record.Open(Install().c_str(), false));
        ASSERT_TRUE(Extract(archive_, Backup(), &record));
        record.Close();
        if (!c.upgrade) {
            EXPECT_EQ(newConfig_, ReadBytes(Install(L"config\\velmora.cfg")));
            EXPECT_EQ(Bytes(40, 'c'), ReadBytes(Backup(L"config\\velmora.cfg")));
            EXPECT_EQ(newIndex_, ReadBytes(Install(L"web\\index.html")));
            EXPECT_EQ(Bytes(50, 'w'), ReadBytes(Backup(L"web\\index.html")));
            EXPECT_TRUE(HasTime(Install(L"empty-kept"), 2, MakeTime(2021, 9, 10, 11)));
        }
        TempFolder outside(L"outside");
        AtScopeExit unlink([&] {
            if (c.configBecomesLink)
                RunHost(L"rm", L"", {Install(L"config")});
        });
        if (c.configBecomesLink) {
            ASSERT_TRUE(RemoveDirectoryW(outside.Path().c_str()));
            ASSERT_TRUE(MoveFileW(Install(L"config").c_str(), outside.Path().c_str()));
            ASSERT_NO_FATAL_FAILURE(RunHost(L"ln", L"-s", {outside.Path(), Install(L"config")}));
            ASSERT_TRUE(IsLink(Install(L"config")));
        }

        SetLastError(0);
        EXPECT_EQ(!c.configBecomesLink, RestoreInstallation(Install().c_str(), Backup().c_str(), mark));
        if (!c.configBecomesLink) {
            EXPECT_TRUE(Holds(Install(), before));
            EXPECT_FALSE(PathExists(Backup()));
            continue;
        }
        EXPECT_EQ(static_cast<DWORD>(ERROR_CANT_ACCESS_FILE), GetLastError());
        // Behind the link: neither put back nor deleted; the rest as it was.
        EXPECT_EQ(newTypes_, ReadBytes(outside.File(L"mime.types")));
        EXPECT_EQ(Bytes(20, 'd'), ReadBytes(outside.File(L"defaults.cfg")));
        EXPECT_EQ(Bytes(60, 'm'), ReadBytes(Backup(L"config\\mime.types")));
        EXPECT_EQ(Bytes(300, 'o'), ReadBytes(Install(L"Velmora.exe")));
        EXPECT_FALSE(PathExists(Install(L"logs")));
    }
}

// The backup folder is made in the installation folder; when "backups" there has been
// turned into a link, nothing is moved into it by the unpacking and nothing out of it by
// the restore: the replaced server stays where it is, and so does what lies behind.
TEST_F(PayloadUpgrade, ABackupFolderBehindALinkIsNeitherFilledNorEmptied)
{
    g_settings.upgrade = true;
    TempFolder outside(L"outside backups");
    ASSERT_TRUE(CreateDirectoryW(outside.File(L"run").c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(outside.File(L"run\\Velmora.exe"), Bytes(7, 'x')));
    const std::map<std::wstring, Bytes> installed = TreeContent(Install());
    ASSERT_NO_FATAL_FAILURE(RunHost(L"ln", L"-s", {outside.Path(), Install(L"backups")}));
    AtScopeExit unlink([&] { RunHost(L"rm", L"", {Install(L"backups")}); });
    ASSERT_TRUE(IsLink(Install(L"backups")));
    const std::map<std::wstring, Bytes> behind = TreeContent(outside.Path());

    SetLastError(0);
    EXPECT_FALSE(Extract(archive_, Install(L"backups\\run")));
    EXPECT_EQ(static_cast<DWORD>(ERROR_CANT_ACCESS_FILE), GetLastError());
    EXPECT_EQ(Bytes(300, 'o'), ReadBytes(Install(L"Velmora.exe")));
    EXPECT_TRUE(Holds(outside.Path(), behind));

    const RecordMark mark = MarkInstallationRecord(Install().c_str());
    SetLastError(0);
    EXPECT_FALSE(RestoreInstallation(Install().c_str(), Install(L"backups\\run").c_str(), mark));
    EXPECT_EQ(static_cast<DWORD>(ERROR_CANT_ACCESS_FILE), GetLastError());
    EXPECT_EQ(Bytes(300, 'o'), ReadBytes(Install(L"Velmora.exe")));
    EXPECT_TRUE(Holds(outside.Path(), behind));
    // The installation as it was, beside the link.
    std::map<std::wstring, Bytes> after = TreeContent(Install());
    for (auto it = after.begin(); it != after.end();)
        it = it->first.rfind(L"backups\\", 0) == 0 ? after.erase(it) : std::next(it);
    EXPECT_EQ(installed, after);
}

using PayloadSafety = PayloadTest;

// An archive packed elsewhere may separate with "/": the record holds the "\" path written.
TEST_F(PayloadSafety, RecordsTheFilesWrittenAndTheFoldersMadeButNotThoseThatWereThere)
{
    ASSERT_TRUE(CreateDirectoryW(Install(L"data").c_str(), nullptr));
    Bytes archive = ArchiveBuilder().Folder(L"data").Folder(L"config").File(L"config/a.cfg", Bytes(3, 'a'))
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
    ASSERT_NO_FATAL_FAILURE(RunHost(L"ln", L"-s", {outside.Path(), Install(L"config")}));
    AtScopeExit unlink([&] { RunHost(L"rm", L"", {Install(L"config")}); });
    ASSERT_TRUE(IsLink(Install(L"config")));
    Bytes archive = ArchiveBuilder().File(L"config\\a.cfg", Bytes(3, 'a')).File(L"config\\b.cfg", Bytes(3, 'b')).Finish();

    SetLastError(0);
    EXPECT_FALSE(Extract(archive));
    EXPECT_EQ(static_cast<DWORD>(ERROR_CANT_ACCESS_FILE), GetLastError());
    EXPECT_FALSE(corrupt);
    EXPECT_EQ(Bytes(4, 'o'), ReadBytes(outside.File(L"a.cfg")));
    EXPECT_FALSE(PathExists(outside.File(L"b.cfg")));
}
