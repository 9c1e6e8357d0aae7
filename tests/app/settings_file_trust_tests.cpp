// Whether velmorasetup.cfg may decide the installation: its owner and rights as the system
// reports them, as tables (Wine keeps no file rights to make these for real), and the
// start-up's hold on the real file.
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "app/settings_file_check.h"
#include "app/settings_file_trust.h"
#include "base/scoped_handle.h"
#include "support/enum_printers.h"
#include "support/message_box_watcher.h"
#include "support/temp_folder.h"

namespace {

const ACCESS_MASK kRead = FILE_GENERIC_READ | FILE_GENERIC_EXECUTE;
const ACCESS_MASK kModify = FILE_GENERIC_READ | FILE_GENERIC_WRITE | DELETE;

SettingsFileEntry Allow(OwnerKind who, ACCESS_MASK mask, const wchar_t* name = L"someone")
{
    return {who, name, mask, true, false};
}

struct Case
{
    const char* what;
    OwnerKind owner;
    std::vector<SettingsFileEntry> entries;
    SettingsFileDoubt doubt;
    const wchar_t* who;
    bool readable = true;
    bool hasRights = true;
};

} // namespace

TEST(JudgeSettingsFile, TrustsOnlyAnAdministratorsFileThatNoOneElseMayChange)
{
    const std::vector<SettingsFileEntry> usual = {Allow(OwnerKind::kSystem, FILE_ALL_ACCESS),
                                                  Allow(OwnerKind::kAdministrators, FILE_ALL_ACCESS),
                                                  Allow(OwnerKind::kOther, kRead, L"BUILTIN\\Users")};
    const Case cases[] = {
        {"owned by Administrators, Users read", OwnerKind::kAdministrators, usual, SettingsFileDoubt::kNone, nullptr},
        {"owned by SYSTEM", OwnerKind::kSystem, usual, SettingsFileDoubt::kNone, nullptr},
        {"owned by TrustedInstaller", OwnerKind::kTrustedInstaller, usual, SettingsFileDoubt::kNone, nullptr},
        {"owned by an administrator", OwnerKind::kAdministratorMember, usual, SettingsFileDoubt::kNone, nullptr},
        {"owned by the running account, which may change it",
         OwnerKind::kRunningAccount,
         {Allow(OwnerKind::kRunningAccount, FILE_ALL_ACCESS)},
         SettingsFileDoubt::kNone,
         nullptr},
        {"a user's", OwnerKind::kOther, usual, SettingsFileDoubt::kForeignOwner, L"PC\\ann"},
        {"no owner to read", OwnerKind::kUnknown, usual, SettingsFileDoubt::kNoSecurity, nullptr},
        {"a share without rights", OwnerKind::kAdministrators, usual, SettingsFileDoubt::kNoSecurity, nullptr, false},
        {"no rights list", OwnerKind::kAdministrators, {}, SettingsFileDoubt::kOpenToAll, nullptr, true, false},
        {"Users may modify", OwnerKind::kAdministrators,
         {Allow(OwnerKind::kAdministrators, FILE_ALL_ACCESS), Allow(OwnerKind::kOther, kModify, L"BUILTIN\\Users")},
         SettingsFileDoubt::kOthersMayChange, L"BUILTIN\\Users"},
        {"a user may append", OwnerKind::kAdministrators, {Allow(OwnerKind::kOther, FILE_APPEND_DATA, L"PC\\ann")},
         SettingsFileDoubt::kOthersMayChange, L"PC\\ann"},
        {"a user may change its rights", OwnerKind::kAdministrators, {Allow(OwnerKind::kOther, WRITE_DAC, L"PC\\ann")},
         SettingsFileDoubt::kOthersMayChange, L"PC\\ann"},
        {"a user may take it", OwnerKind::kAdministrators, {Allow(OwnerKind::kOther, WRITE_OWNER, L"PC\\ann")},
         SettingsFileDoubt::kOthersMayChange, L"PC\\ann"},
        {"a user may replace it", OwnerKind::kAdministrators, {Allow(OwnerKind::kOther, DELETE, L"PC\\ann")},
         SettingsFileDoubt::kOthersMayChange, L"PC\\ann"},
        {"Everyone generic write", OwnerKind::kAdministrators, {Allow(OwnerKind::kOther, GENERIC_WRITE, L"Everyone")},
         SettingsFileDoubt::kOthersMayChange, L"Everyone"},
        {"Everyone generic all", OwnerKind::kAdministrators, {Allow(OwnerKind::kOther, GENERIC_ALL, L"Everyone")},
         SettingsFileDoubt::kOthersMayChange, L"Everyone"},
        {"a denial takes nothing away", OwnerKind::kAdministrators,
         {{OwnerKind::kOther, L"PC\\ann", FILE_ALL_ACCESS, false, false}}, SettingsFileDoubt::kNone, nullptr},
        {"an entry only for what is made below", OwnerKind::kAdministrators,
         {{OwnerKind::kOther, L"CREATOR OWNER", FILE_ALL_ACCESS, true, true}}, SettingsFileDoubt::kNone, nullptr},
        {"an unknown trustee may write", OwnerKind::kAdministrators,
         {Allow(OwnerKind::kUnknown, FILE_WRITE_DATA, L"S-1-5-21-1-2-3-1001")}, SettingsFileDoubt::kOthersMayChange,
         L"S-1-5-21-1-2-3-1001"},
    };
    for (const Case& c : cases) {
        const SettingsFileFacts facts = {c.readable, c.owner, L"PC\\ann", c.hasRights, c.entries.data(),
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
    MessageBoxWatcher watcher([](const SeenMessageBox&) { return IDOK; });
    CSettingsFileHold hold;
    EXPECT_EQ(SettingsFileCheck::kRefused, hold.Check(folder.Path().c_str(), true));
    const std::vector<SeenMessageBox> seen = watcher.Seen();
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ(0u, seen[0].text.find(L"The settings file \"" + path + L"\" is not used: ")) << seen[0].text;
}
