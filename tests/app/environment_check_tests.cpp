// The Windows version rule, the order of the start-up checks and the privileges they switch
// on; the command line and the one-setup-at-a-time lock, which come before them.
#include <gtest/gtest.h>
#include <windows.h>
#include <winsock2.h>
#include <objbase.h>

#include "app/environment_check.h"
#include "app/environment_check_seams.h"
#include "app/instance_lock.h"
#include "app/setup_switches.h"
#include "app/windows_version.h"
#include "base/scoped_handle.h"
#include "base/scoped_seam.h"
#include "support/message_box_watcher.h"

namespace {

// What the faked system calls answer and how often they were asked.
struct FakeSystem
{
    BOOL isAdmin;
    BOOL versionResult;
    DWORD major, minor;
    WORD servicePack;
    int versionCalls = 0;
    DWORD versionRecordSize = 0;
};
FakeSystem g_fake = {TRUE, TRUE, 6, 1, 0};

BOOL WINAPI FakeIsUserAnAdmin()
{
    return g_fake.isAdmin;
}

BOOL WINAPI FakeGetVersionEx(OSVERSIONINFOW* version)
{
    ++g_fake.versionCalls;
    g_fake.versionRecordSize = version->dwOSVersionInfoSize;
    if (!g_fake.versionResult) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    version->dwMajorVersion = g_fake.major;
    version->dwMinorVersion = g_fake.minor;
    if (version->dwOSVersionInfoSize >= sizeof(OSVERSIONINFOEXW))
        reinterpret_cast<OSVERSIONINFOEXW*>(version)->wServicePackMajor = g_fake.servicePack;
    return TRUE;
}

const wchar_t kNotAdministrator[] = L"In order to install the server, you must have administration rights";
const wchar_t kWindowsTooOld[] = L"For server installation Windows XP SP2 or higher is required";
const wchar_t* const kPrivileges[] = {L"SeBackupPrivilege", L"SeShutdownPrivilege", L"SeDebugPrivilege"};

UniqueHandle ProcessToken()
{
    HANDLE raw = nullptr;
    OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &raw);
    return UniqueHandle(raw);
}

// Switches `name` off in the process token: ERROR_NOT_ALL_ASSIGNED when the token lacks it.
DWORD DisablePrivilege(const wchar_t* name)
{
    TOKEN_PRIVILEGES change = {1, {{{0, 0}, 0}}};
    LookupPrivilegeValueW(nullptr, name, &change.Privileges[0].Luid);
    UniqueHandle token = ProcessToken();
    return AdjustTokenPrivileges(token.Get(), FALSE, &change, 0, nullptr, nullptr) ? GetLastError()
                                                                                    : ERROR_INVALID_FUNCTION;
}

bool PrivilegeEnabled(const wchar_t* name)
{
    PRIVILEGE_SET set = {1, PRIVILEGE_SET_ALL_NECESSARY, {{{0, 0}, 0}}};
    LookupPrivilegeValueW(nullptr, name, &set.Privilege[0].Luid);
    UniqueHandle token = ProcessToken();
    BOOL enabled = FALSE;
    return PrivilegeCheck(token.Get(), &set, &enabled) && enabled;
}

} // namespace

TEST(JudgeWindowsVersion, AcceptsXpSp2AndLaterAndChecksTheServiceOnlyOn5x)
{
    const struct { DWORD major, minor; WORD servicePack; WindowsVersionVerdict verdict; } cases[] = {
        {4, 0, 6, WindowsVersionVerdict::TooOld},           {5, 1, 1, WindowsVersionVerdict::TooOld},
        {5, 1, 2, WindowsVersionVerdict::NeedsHttpService}, {5, 2, 0, WindowsVersionVerdict::NeedsHttpService},
        {6, 0, 0, WindowsVersionVerdict::Supported},        {10, 0, 0, WindowsVersionVerdict::Supported},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.verdict, JudgeWindowsVersion(c.major, c.minor, c.servicePack))
            << c.major << "." << c.minor << " SP" << c.servicePack;
}

// CheckEnvironment with the faked calls in place, its boxes answered; what the check
// initialised is released as the entry's teardown would. A real old version's refusal (its
// title and owner) is the start-up checks of setup.exe itself. A supported system passes
// silently with the token's privileges on, although the token lacks some of those it asks
// for (Wine's, like a normal administrator's, lacks the right to create tokens).
TEST(CheckEnvironment, RefusesNonAdministratorsFirstThenOldOrUnknownVersionsElseEnablesThePrivileges)
{
    const struct { const char* name; FakeSystem system; const wchar_t* refusal; int versionCalls; } cases[] = {
        {"not an administrator", {FALSE, TRUE, 5, 0, 0}, kNotAdministrator, 0},
        {"failed version query", {TRUE, FALSE, 6, 1, 0}, kWindowsTooOld, 1},
        {"supported", {TRUE, TRUE, 6, 1, 0}, nullptr, 1},
    };
    for (const wchar_t* name : kPrivileges) {
        ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS), DisablePrivilege(name)) << "the token lacks " << name;
        ASSERT_FALSE(PrivilegeEnabled(name)) << name;
    }
    ASSERT_EQ(static_cast<DWORD>(ERROR_NOT_ALL_ASSIGNED), DisablePrivilege(L"SeCreateTokenPrivilege"));
    ScopedSeam admin(g_isUserAnAdminCall, FakeIsUserAnAdmin);
    ScopedSeam version(g_getVersionExCall, FakeGetVersionEx);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        g_fake = c.system;
        MessageBoxWatcher watcher;
        bool passed = CheckEnvironment(GetModuleHandleW(nullptr));
        std::vector<SeenMessageBox> boxes = watcher.Seen();
        WSACleanup();
        CoUninitialize();

        EXPECT_EQ(!c.refusal, passed);
        EXPECT_EQ(c.versionCalls, g_fake.versionCalls);
        if (c.versionCalls) {
            EXPECT_EQ(sizeof(OSVERSIONINFOEXW), g_fake.versionRecordSize);
        }
        for (const wchar_t* name : kPrivileges)
            EXPECT_EQ(!c.refusal, PrivilegeEnabled(name)) << name;
        if (!c.refusal) {
            EXPECT_TRUE(boxes.empty());
            continue;
        }
        ASSERT_EQ(1u, boxes.size());
        EXPECT_EQ(c.refusal, boxes[0].text);
        EXPECT_EQ(LoadIconW(nullptr, IDI_ERROR), boxes[0].icon);
    }
}

TEST(ParseSetupSwitches, TakesSwitchesInAnyCaseWithSlashOrDashAndRefusesEverythingElse)
{
    const struct
    {
        const wchar_t* line;
        SwitchesVerdict verdict;
        bool quiet;
        const wchar_t* log;
        const wchar_t* refused;
    } cases[] = {
        {L"setup.exe", SwitchesVerdict::kRun, false, L"", L""},
        {L"", SwitchesVerdict::kRun, false, L"", L""},
        {L"\"C:\\dir one\\setup.exe\" /QUIET", SwitchesVerdict::kRun, true, L"", L""},
        {L"setup.exe -Quiet /LOG \"C:\\my logs\\run.log\"", SwitchesVerdict::kRun, true, L"C:\\my logs\\run.log", L""},
        {L"setup.exe -log=C:\\run.log", SwitchesVerdict::kRun, false, L"C:\\run.log", L""},
        {L"setup.exe /?", SwitchesVerdict::kUsage, false, L"", L""},
        {L"setup.exe /quiet -?", SwitchesVerdict::kUsage, true, L"", L""},
        {L"setup.exe /quite", SwitchesVerdict::kRefused, false, L"", L"/quite"},
        {L"setup.exe /logfile x", SwitchesVerdict::kRefused, false, L"", L"/logfile"},
        {L"setup.exe quiet", SwitchesVerdict::kRefused, false, L"", L"quiet"},
        // /log needs its file: not the end of the line, not an empty one, not the next switch.
        {L"setup.exe /log", SwitchesVerdict::kRefused, false, L"", L"/log"},
        {L"setup.exe /log=", SwitchesVerdict::kRefused, false, L"", L"/log="},
        {L"setup.exe /log /quiet", SwitchesVerdict::kRefused, false, L"", L"/log"},
        {L"setup.exe /quiet /", SwitchesVerdict::kRefused, true, L"", L"/"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        SetupSwitches switches;
        EXPECT_EQ(c.verdict, ParseSetupSwitches(c.line, switches));
        EXPECT_EQ(c.quiet, switches.quiet);
        EXPECT_STREQ(c.log, switches.log);
        EXPECT_STREQ(c.refused, switches.refused);
    }
}

TEST(JudgeInstanceLock, RunsOnlyWithItsOwnLockAndRefusesOneAnOrdinaryUserMade)
{
    const struct { bool opened; DWORD error; bool ownerAdministrative; InstanceLockVerdict verdict; } cases[] = {
        {true, ERROR_SUCCESS, false, InstanceLockVerdict::kHeld},
        {true, ERROR_ALREADY_EXISTS, true, InstanceLockVerdict::kAnotherSetup},
        {true, ERROR_ALREADY_EXISTS, false, InstanceLockVerdict::kSquatted},
        // Ours lets administrators in: one that does not was made to block the setup.
        {false, ERROR_ACCESS_DENIED, false, InstanceLockVerdict::kSquatted},
        {false, ERROR_NOT_ENOUGH_MEMORY, false, InstanceLockVerdict::kFailed},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.verdict, JudgeInstanceLock(c.opened, c.error, c.ownerAdministrative)) << c.error;
}
