// The Windows version rule, the order of the start-up checks and the privileges they switch
// on; the command line and the one-setup-at-a-time lock, which come before them.
#include <gtest/gtest.h>
#include <windows.h>
#include <winsock2.h>
#include <objbase.h>

#include "app/environment_check.h"
#include "app/environment_check_seams.h"
#include "app/recorded_messages.h"
#include "base/instance_lock.h"
#include "base/run_switches.h"
#include "app/windows_version.h"
#include "base/scoped_handle.h"
#include "base/scoped_privileges.h"
#include "base/scoped_seam.h"
#include "support/enum_printers.h"

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

BOOL WINAPI FakeIsUserAnAdmin() { return g_fake.isAdmin; }

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

// CheckEnvironment with the faked calls in place, its boxes kept; what the check initialised
// is released as the entry's teardown would. A real old version's refusal (its title and
// owner) is the start-up checks of setup.exe itself. A supported system passes silently and
// turns no privilege on: each step turns on its own.
TEST(CheckEnvironment, RefusesNonAdministratorsFirstThenOldOrUnknownVersionsAndTurnsNoPrivilegeOn)
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
        RecordedMessages messages;
        bool passed = CheckEnvironment(GetModuleHandleW(nullptr));
        WSACleanup();
        CoUninitialize();

        EXPECT_EQ(!c.refusal, passed);
        EXPECT_EQ(c.versionCalls, g_fake.versionCalls);
        if (c.versionCalls) {
            EXPECT_EQ(sizeof(OSVERSIONINFOEXW), g_fake.versionRecordSize);
        }
        for (const wchar_t* name : kPrivileges)
            EXPECT_FALSE(PrivilegeEnabled(name)) << name;
        EXPECT_EQ((c.refusal ? ShownMessages{{c.refusal, kErrorMessage}} : ShownMessages{}), messages.shown);
    }
}

// On while the holder lives, then as before; what the token lacks or the system does not
// know is not held (Wine's token, like a normal administrator's, lacks the right to create
// tokens).
TEST(ScopedPrivileges, OnForTheHoldersLifeThenAsBefore)
{
    for (const wchar_t* name : kPrivileges)
        ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS), DisablePrivilege(name)) << "the token lacks " << name;
    {
        static const wchar_t* const kOuter[] = {L"SeDebugPrivilege"};
        ScopedPrivileges outer(kOuter);
        ASSERT_TRUE(outer.Held());
        {
            static const wchar_t* const kInner[] = {L"SeBackupPrivilege", L"SeDebugPrivilege"};
            ScopedPrivileges inner(kInner);
            EXPECT_TRUE(inner.Held());
            EXPECT_TRUE(PrivilegeEnabled(L"SeBackupPrivilege"));
        }
        EXPECT_FALSE(PrivilegeEnabled(L"SeBackupPrivilege"));
        EXPECT_TRUE(PrivilegeEnabled(L"SeDebugPrivilege")) << "on before the inner holder, so on after it";
    }
    EXPECT_FALSE(PrivilegeEnabled(L"SeDebugPrivilege"));

    const struct { const wchar_t* name; DWORD error; } lacking[] = {
        {L"SeCreateTokenPrivilege", ERROR_NOT_ALL_ASSIGNED},
        {L"SeNoSuchPrivilege", ERROR_NO_SUCH_PRIVILEGE},
    };
    for (const auto& c : lacking) {
        {
            const wchar_t* const names[] = {L"SeShutdownPrivilege", c.name};
            ScopedPrivileges privileges(names);
            EXPECT_FALSE(privileges.Held());
            EXPECT_EQ(c.error, GetLastError());
        }
        EXPECT_FALSE(PrivilegeEnabled(L"SeShutdownPrivilege")) << "nothing stays on";
        EXPECT_FALSE(TokenHoldsPrivileges(&c.name, 1));
    }
    EXPECT_TRUE(TokenHoldsPrivileges(kPrivileges, sizeof(kPrivileges) / sizeof(kPrivileges[0])));
}

TEST(ParseRunSwitches, TakesSwitchesInAnyCaseWithSlashOrDashAndRefusesEverythingElse)
{
    using V = SwitchesVerdict;
    const std::wstring tooLong = L"setup.exe /config=C:\\" + std::wstring(MAX_PATH, L'a');
    const std::wstring cutRefused = tooLong.substr(10, 127);  // refused holds 127 characters
    const struct
    {
        std::wstring line;
        V verdict;
        bool quiet, whatif;
        const wchar_t *log, *config, *refused;
    } cases[] = {
        {L"setup.exe", V::kRun, false, false, L"", L"", L""},
        {L"", V::kRun, false, false, L"", L"", L""},
        {L"\"C:\\dir one\\setup.exe\" /QUIET", V::kRun, true, false, L"", L"", L""},
        {L"setup.exe -Quiet /LOG \"C:\\my logs\\run.log\"", V::kRun, true, false, L"C:\\my logs\\run.log", L"", L""},
        {L"setup.exe -log=C:\\run.log", V::kRun, false, false, L"C:\\run.log", L"", L""},
        {L"setup.exe /?", V::kUsage, false, false, L"", L"", L""},
        {L"setup.exe /quiet -?", V::kUsage, true, false, L"", L"", L""},
        {L"setup.exe /quite", V::kRefused, false, false, L"", L"", L"/quite"},
        {L"setup.exe /logfile x", V::kRefused, false, false, L"", L"", L"/logfile"},
        {L"setup.exe quiet", V::kRefused, false, false, L"", L"", L"quiet"},
        // /log needs its file: not the end of the line, not an empty one, not the next switch.
        {L"setup.exe /log", V::kRefused, false, false, L"", L"", L"/log"},
        {L"setup.exe /log=", V::kRefused, false, false, L"", L"", L"/log="},
        {L"setup.exe /log /quiet", V::kRefused, true, false, L"", L"", L"/log"},
        {L"setup.exe /log -quiet", V::kRefused, true, false, L"", L"", L"/log"},
        {L"setup.exe /quiet /", V::kRefused, true, false, L"", L"", L"/"},
        // The whole line is read: /quiet before or after a refused word keeps the refusal
        // off the screen, and the first refused word is the one named.
        {L"setup.exe /no-such-switch /quiet", V::kRefused, true, false, L"", L"", L"/no-such-switch"},
        {L"setup.exe stray /quiet", V::kRefused, true, false, L"", L"", L"stray"},
        {L"setup.exe /quiet stray", V::kRefused, true, false, L"", L"", L"stray"},
        {L"setup.exe /first -second /quiet /log=C:\\run.log", V::kRefused, true, false, L"C:\\run.log", L"",
         L"/first"},
        {L"setup.exe \"\" /quiet", V::kRefused, true, false, L"", L"", L"\"\""},
        {L"setup.exe /? stray", V::kRefused, false, false, L"", L"", L"stray"},
        // Deployment tools add /norestart by habit; no run restarts anything.
        {L"setup.exe /norestart /quiet", V::kRun, true, false, L"", L"", L""},
        {L"setup.exe -NoRestart", V::kRun, false, false, L"", L"", L""},
        {L"setup.exe /norestart=yes", V::kRefused, false, false, L"", L"", L"/norestart=yes"},
        {L"setup.exe /config \"C:\\cfg dir\\site.cfg\" /quiet", V::kRun, true, false, L"", L"C:\\cfg dir\\site.cfg", L""},
        {L"setup.exe -CONFIG=D:\\site.cfg", V::kRun, false, false, L"", L"D:\\site.cfg", L""},
        {L"setup.exe /config site.cfg /log run.log", V::kRun, false, false, L"run.log", L"site.cfg", L""},
        {L"setup.exe /config", V::kRefused, false, false, L"", L"", L"/config"},
        {L"setup.exe /config=", V::kRefused, false, false, L"", L"", L"/config="},
        {L"setup.exe /config /quiet", V::kRefused, true, false, L"", L"", L"/config"},
        {L"setup.exe /configure site.cfg", V::kRefused, false, false, L"", L"", L"/configure"},
        {tooLong, V::kRefused, false, false, L"", L"", cutRefused.c_str()},
        {L"setup.exe /WhatIf /quiet", V::kRun, true, true, L"", L"", L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        RunSwitches switches;
        EXPECT_EQ(c.verdict, ParseRunSwitches(c.line.c_str(), SwitchSet::kSetup, switches));
        EXPECT_EQ(c.quiet, switches.quiet);
        EXPECT_EQ(c.whatif, switches.whatif);
        EXPECT_STREQ(c.log, switches.log);
        EXPECT_STREQ(c.config, switches.config);
        EXPECT_STREQ(c.refused, switches.refused);
    }
}

namespace {

// The machine as a script: what each call answers, and what was asked.
class ScriptedLockMachine final : public InstanceLockMachine
{
public:
    bool hasNamespaces = true;
    DWORD createError = ERROR_SUCCESS, openError = ERROR_SUCCESS;  // ERROR_SUCCESS: made, opened
    MutexAnswer mutex = {true, ERROR_SUCCESS, false};
    std::string calls;

    bool HasPrivateNamespaces() override { return hasNamespaces; }
    bool CreateNamespace(DWORD& error) override
    {
        calls += "create ";
        error = createError;
        return createError == ERROR_SUCCESS;
    }
    bool OpenNamespace(DWORD& error) override
    {
        calls += "open ";
        error = openError;
        return openError == ERROR_SUCCESS;
    }
    MutexAnswer CreateLockMutex(bool inNamespace) override
    {
        calls += inNamespace ? "mutex-in-namespace" : "global-mutex";
        return mutex;
    }
};

} // namespace

// Where the system has private namespaces, the lock lives in the setup's own, which only
// administrators reach; where it has not (XP), or only stubs them (Wine 8), the Global name
// and its owner check serve as before.
TEST(TakeInstanceLock, UsesThePrivateNamespaceWhereThereIsOneElseTheGlobalName)
{
    using Answer = InstanceLockMachine::MutexAnswer;
    using V = InstanceLockVerdict;
    const DWORD ok = ERROR_SUCCESS, exists = ERROR_ALREADY_EXISTS, noMemory = ERROR_NOT_ENOUGH_MEMORY;
    const Answer made = {true, ok, false}, existingAdministrative = {true, exists, true},
                 existingForeign = {true, exists, false};
    const struct
    {
        const char* what;
        bool hasNamespaces;
        DWORD createError, openError;
        Answer mutex;
        const char* calls;
        InstanceLockVerdict verdict;
        bool inNamespace;
        DWORD error;
    } cases[] = {
        {"first setup", true, ok, ok, made, "create mutex-in-namespace", V::kHeld, true, ok},
        {"beside another setup", true, exists, ok, existingAdministrative, "create open mutex-in-namespace",
         V::kAnotherSetup, true, ok},
        {"namespace of another setup that has ended meanwhile", true, exists, ok, made,
         "create open mutex-in-namespace", V::kHeld, true, ok},
        {"a namespace that cannot be opened", true, exists, ERROR_ACCESS_DENIED, made, "create open ", V::kFailed,
         true, ERROR_ACCESS_DENIED},
        {"a namespace that cannot be made", true, noMemory, ok, made, "create ", V::kFailed, true, noMemory},
        {"a foreign mutex in the namespace", true, ok, ok, existingForeign, "create mutex-in-namespace", V::kSquatted,
         true, ok},
        {"Windows XP", false, ok, ok, made, "global-mutex", V::kHeld, false, ok},
        {"XP, a user's mutex", false, ok, ok, existingForeign, "global-mutex", V::kSquatted, false, ok},
        {"XP, beside another setup", false, ok, ok, existingAdministrative, "global-mutex", V::kAnotherSetup, false,
         ok},
        // Ours lets administrators in: one that does not was made to block the setup.
        {"XP, a mutex administrators may not open", false, ok, ok, {false, ERROR_ACCESS_DENIED, false},
         "global-mutex", V::kSquatted, false, ok},
        {"Wine: the calls are stubs", true, ERROR_CALL_NOT_IMPLEMENTED, ok, made, "create global-mutex", V::kHeld,
         false, ok},
        {"the mutex cannot be made", false, ok, ok, {false, noMemory, false}, "global-mutex", V::kFailed, false,
         noMemory},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedLockMachine machine;
        machine.hasNamespaces = c.hasNamespaces;
        machine.createError = c.createError;
        machine.openError = c.openError;
        machine.mutex = c.mutex;
        const InstanceLockOutcome outcome = TakeInstanceLock(machine);
        EXPECT_EQ(c.verdict, outcome.verdict);
        EXPECT_EQ(c.inNamespace, outcome.inNamespace);
        EXPECT_EQ(c.error, outcome.error);
        EXPECT_EQ(c.calls, machine.calls);
    }
}
