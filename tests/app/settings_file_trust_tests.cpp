// Whether velmorasetup.cfg may decide the installation: its owner and rights as the system
// reports them, as tables (Wine keeps no file rights to make these for real), and the
// start-up's hold on the real file.
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "app/recorded_messages.h"
#include "app/settings_file_check.h"
#include "app/settings_file_trust.h"
#include "base/scoped_handle.h"
#include "support/enum_printers.h"
#include "support/host_link.h"
#include "support/temp_folder.h"
#include "support/wait_until.h"

namespace {

using K = OwnerKind;
using D = SettingsFileDoubt;
const ACCESS_MASK kRead = FILE_GENERIC_READ | FILE_GENERIC_EXECUTE;
const ACCESS_MASK kModify = FILE_GENERIC_READ | FILE_GENERIC_WRITE | DELETE;
const wchar_t kAnn[] = L"PC\\ann";  // the owner's name
const wchar_t kBob[] = L"PC\\bob";  // a user's name in the rights

SettingsFileEntry Allow(OwnerKind who, ACCESS_MASK mask, const wchar_t* name = kBob)
{
    return {who, name, mask, true, false};
}

// An ordinary user's entry.
std::vector<SettingsFileEntry> User(ACCESS_MASK mask) { return {Allow(K::kOther, mask)}; }

} // namespace

TEST(JudgeSettingsFile, TrustsOnlyAnAdministratorsFileThatNoOneElseMayChange)
{
    const std::vector<SettingsFileEntry> usual = {Allow(K::kSystem, FILE_ALL_ACCESS),
                                                  Allow(K::kAdministrators, FILE_ALL_ACCESS),
                                                  Allow(K::kOther, kRead, L"BUILTIN\\Users")};
    const struct
    {
        const char* what;
        OwnerKind owner;
        std::vector<SettingsFileEntry> entries;
        SettingsFileDoubt doubt;
        const wchar_t* who;
        bool readable = true;
        bool hasRights = true;
    } cases[] = {
        {"owned by Administrators, Users read", K::kAdministrators, usual, D::kNone, nullptr},
        {"owned by SYSTEM", K::kSystem, usual, D::kNone, nullptr},
        {"owned by TrustedInstaller", K::kTrustedInstaller, usual, D::kNone, nullptr},
        {"owned by an administrator", K::kAdministratorMember, usual, D::kNone, nullptr},
        {"owned by the running account, which may change it", K::kRunningAccount,
         {Allow(K::kRunningAccount, FILE_ALL_ACCESS)}, D::kNone, nullptr},
        {"a user's", K::kOther, usual, D::kForeignOwner, kAnn},
        {"no owner to read", K::kUnknown, usual, D::kNoSecurity, nullptr},
        {"a share without rights", K::kAdministrators, usual, D::kNoSecurity, nullptr, false},
        {"no rights list", K::kAdministrators, {}, D::kOpenToAll, nullptr, true, false},
        {"Users may modify", K::kAdministrators,
         {Allow(K::kAdministrators, FILE_ALL_ACCESS), Allow(K::kOther, kModify, L"BUILTIN\\Users")},
         D::kOthersMayChange, L"BUILTIN\\Users"},
        {"a user may append", K::kAdministrators, User(FILE_APPEND_DATA), D::kOthersMayChange, kBob},
        {"a user may change its rights", K::kAdministrators, User(WRITE_DAC), D::kOthersMayChange, kBob},
        {"a user may take it", K::kAdministrators, User(WRITE_OWNER), D::kOthersMayChange, kBob},
        {"a user may replace it", K::kAdministrators, User(DELETE), D::kOthersMayChange, kBob},
        {"generic write", K::kAdministrators, User(GENERIC_WRITE), D::kOthersMayChange, kBob},
        {"generic all", K::kAdministrators, User(GENERIC_ALL), D::kOthersMayChange, kBob},
        {"a denial takes nothing away", K::kAdministrators, {{K::kOther, kBob, FILE_ALL_ACCESS, false, false}},
         D::kNone, nullptr},
        {"an entry only for what is made below", K::kAdministrators,
         {{K::kOther, L"CREATOR OWNER", FILE_ALL_ACCESS, true, true}}, D::kNone, nullptr},
        {"an unknown trustee may write", K::kAdministrators, {Allow(K::kUnknown, FILE_WRITE_DATA, L"S-1-5-21-1001")},
         D::kOthersMayChange, L"S-1-5-21-1001"},
    };
    for (const auto& c : cases) {
        const SettingsFileFacts facts = {c.readable, c.owner, kAnn, c.hasRights, c.entries.data(),
                                         c.entries.size()};
        const SettingsFileVerdict verdict = JudgeSettingsFile(facts);
        EXPECT_EQ(c.doubt, verdict.doubt) << c.what;
        EXPECT_EQ(c.who ? std::wstring(c.who) : L"(none)", verdict.who ? std::wstring(verdict.who) : L"(none)")
            << c.what;
    }
}

TEST(DecideSettingsFileUse, AsksOnlyWhenSomebodyAttendsAndTheFileIsDoubted)
{
    const SettingsFileVerdict trusted = {SettingsFileDoubt::kNone, nullptr};
    const SettingsFileVerdict doubted = {SettingsFileDoubt::kForeignOwner, L"PC\\ann"};
    const struct
    {
        SettingsFileVerdict verdict;
        bool quiet;
        bool forceAuto;
        SettingsFileUse use;
    } cases[] = {
        {trusted, false, false, SettingsFileUse::kUse}, {trusted, true, true, SettingsFileUse::kUse},
        {doubted, false, false, SettingsFileUse::kAsk}, {doubted, true, false, SettingsFileUse::kRefuse},
        {doubted, false, true, SettingsFileUse::kRefuse}, {doubted, true, true, SettingsFileUse::kRefuse},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.use, DecideSettingsFileUse(c.verdict, c.quiet, c.forceAuto))
            << static_cast<int>(c.verdict.doubt) << c.quiet << c.forceAuto;
}

// The start-up's look at the real file under Wine, which reports the running account as
// the owner of what this process writes and no other trustee that may change it.
TEST(SettingsFileHold, TakesItsOwnFileHoldsItUnchangedAndRefusesOneHeldOpenForWriting)
{
    TempFolder folder(L"cfgtrust");
    {
        CSettingsFileHold hold;
        EXPECT_EQ(SettingsFileCheck::kGoOn, hold.Check(folder.Path().c_str(), true)) << "no file";
    }
    const std::wstring path = folder.File(L"velmorasetup.cfg");
    ASSERT_TRUE(WriteWholeFile(path, "force_auto=true\r\n"));
    {
        CSettingsFileHold hold;
        EXPECT_EQ(SettingsFileCheck::kGoOn, hold.Check(folder.Path().c_str(), true));
        // Read while it is held, but neither written nor replaced.
        EXPECT_EQ("force_auto=true\r\n", ReadWholeFile(path));
        EXPECT_FALSE(UniqueHandle(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                              nullptr, OPEN_EXISTING, 0, nullptr)).IsValid());
        EXPECT_FALSE(MoveFileW(path.c_str(), folder.File(L"moved.cfg").c_str()));
    }
    UniqueHandle writer(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(writer);
    RecordedMessages messages;
    CSettingsFileHold hold;
    EXPECT_EQ(SettingsFileCheck::kRefused, hold.Check(folder.Path().c_str(), true));
    ASSERT_EQ(1u, messages.shown.size());
    EXPECT_EQ(0u, messages.shown[0].first.find(L"The settings file \"" + path + L"\" is not used: "))
        << messages.shown[0].first;
}

// The file /config names, under Wine: found by its full path or from the current folder,
// held as velmorasetup.cfg is; asked for, so one that is missing, or reached through a link,
// or not one file of one name, is refused in a box that says why (-1 follows).
TEST(SettingsFileHold, TakesTheNamedFileOnlyAtAPathWithoutLinksAndSaysWhyNot)
{
    TempFolder folder(L"cfgnamed");
    TempFolder elsewhere(L"cfgelsewhere");
    const std::wstring site = folder.File(L"site.cfg");
    ASSERT_TRUE(WriteWholeFile(site, "domain=localhost\r\n"));
    ASSERT_TRUE(WriteWholeFile(elsewhere.File(L"site.cfg"), "domain=localhost\r\n"));
    ASSERT_TRUE(CreateDirectoryW(folder.File(L"sub").c_str(), nullptr));
    ASSERT_NO_FATAL_FAILURE(RunHost(L"ln", L"-s", {elsewhere.Path(), folder.File(L"linked")}));
    ASSERT_NO_FATAL_FAILURE(RunHost(L"ln", L"-s", {elsewhere.File(L"site.cfg"), folder.File(L"link.cfg")}));
    ASSERT_TRUE(WriteWholeFile(folder.File(L"other.cfg"), "domain=localhost\r\n"));
    ASSERT_NO_FATAL_FAILURE(RunHost(L"ln", L"", {folder.File(L"other.cfg"), folder.File(L"hard.cfg")}));
    ASSERT_TRUE(IsLink(folder.File(L"linked")));
    // The host's program may not have ended when its wait gave up.
    for (const wchar_t* made : {L"link.cfg", L"hard.cfg"})
        ASSERT_TRUE(WaitUntil([&] { return PathExists(folder.File(made)); })) << made;
    const struct
    {
        const wchar_t* name;
        const wchar_t* reason;
    } refused[] = {
        {L"none.cfg", L"it does not exist"},
        {L"sub", L"it is a folder"},
        {L"nowhere\\site.cfg", L"a folder of its path does not exist"},
        {L"site.cfg\\site.cfg", L"a part of its path is a file, not a folder"},
        {L"linked\\site.cfg", L"a folder of its path, or the file itself, is a junction"},
        // Wine shows a link to a file as the file it names, not as a reparse point (Windows
        // does, and the walk refuses it there): the system's final path of the opened file tells.
        {L"link.cfg", L"the file opened is not the one its path names"},
        {L"hard.cfg", L"it has other names (hard links)"},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.name);
        const std::wstring path = folder.File(c.name);
        RecordedMessages messages;
        CSettingsFileHold hold;
        EXPECT_EQ(SettingsFileCheck::kRefused, hold.CheckNamed(path.c_str(), true));
        ASSERT_EQ(1u, messages.shown.size());
        EXPECT_EQ(0u, messages.shown[0].first.find(L"The settings file \"" + path +
                                                   L"\" given with /config is not used: " + c.reason))
            << messages.shown[0].first;
    }
    // A relative name is the current folder's; the file is held as velmorasetup.cfg is.
    wchar_t current[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, current);
    ASSERT_TRUE(SetCurrentDirectoryW(folder.Path().c_str()));
    RecordedMessages messages;
    CSettingsFileHold hold;
    const SettingsFileCheck check = hold.CheckNamed(L"site.cfg", true);
    SetCurrentDirectoryW(current);
    EXPECT_EQ(SettingsFileCheck::kGoOn, check);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(site, hold.Path());
    EXPECT_FALSE(UniqueHandle(CreateFileW(site.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, 0, nullptr)).IsValid());
    EXPECT_FALSE(MoveFileW(site.c_str(), folder.File(L"moved.cfg").c_str()));
}
