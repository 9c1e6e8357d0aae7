// The Windows version rule and the order of the start-up checks.
#include <gtest/gtest.h>
#include <windows.h>
#include <winsock2.h>
#include <objbase.h>

#include "app/environment_check.h"
#include "app/environment_seams.h"
#include "app/windows_version.h"
#include "support/message_box_watcher.h"

namespace {

struct VersionCase
{
    DWORD major, minor;
    WORD servicePack;
    WindowsVersionVerdict verdict;
};

const VersionCase kVersionCases[] = {
    {4, 0, 6, WindowsVersionVerdict::TooOld},
    {5, 0, 4, WindowsVersionVerdict::TooOld},
    {5, 1, 0, WindowsVersionVerdict::TooOld},
    {5, 1, 1, WindowsVersionVerdict::TooOld},
    {5, 1, 2, WindowsVersionVerdict::NeedsHttpService},
    {5, 1, 3, WindowsVersionVerdict::NeedsHttpService},
    {5, 2, 0, WindowsVersionVerdict::NeedsHttpService},
    {5, 2, 2, WindowsVersionVerdict::NeedsHttpService},
    {6, 0, 0, WindowsVersionVerdict::Supported},
    {6, 1, 1, WindowsVersionVerdict::Supported},
    {10, 0, 0, WindowsVersionVerdict::Supported},
};

// What the faked system calls were asked and what they answer.
struct FakeSystem
{
    BOOL isAdmin = TRUE;
    BOOL versionResult = TRUE;
    DWORD major = 6, minor = 1;
    WORD servicePack = 0;
    int adminCalls = 0;
    int versionCalls = 0;
    DWORD versionRecordSize = 0;
};
FakeSystem* g_fake = nullptr;

BOOL WINAPI FakeIsUserAnAdmin()
{
    ++g_fake->adminCalls;
    return g_fake->isAdmin;
}

BOOL WINAPI FakeGetVersionEx(OSVERSIONINFOW* version)
{
    ++g_fake->versionCalls;
    g_fake->versionRecordSize = version->dwOSVersionInfoSize;
    if (!g_fake->versionResult) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    version->dwMajorVersion = g_fake->major;
    version->dwMinorVersion = g_fake->minor;
    if (version->dwOSVersionInfoSize >= sizeof(OSVERSIONINFOEXW))
        reinterpret_cast<OSVERSIONINFOEXW*>(version)->wServicePackMajor = g_fake->servicePack;
    return TRUE;
}

// Runs CheckEnvironment with the faked calls in place, answering its boxes; releases
// what the check initialised as the entry's teardown would.
class EnvironmentCheck : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_fake = &fake_;
        savedAdmin_ = g_isUserAnAdminCall;
        savedVersion_ = g_getVersionExCall;
        g_isUserAnAdminCall = FakeIsUserAnAdmin;
        g_getVersionExCall = FakeGetVersionEx;
    }
    void TearDown() override
    {
        g_isUserAnAdminCall = savedAdmin_;
        g_getVersionExCall = savedVersion_;
        g_fake = nullptr;
    }
    bool Run()
    {
        MessageBoxWatcher watcher;
        bool passed = CheckEnvironment(GetModuleHandleW(nullptr));
        boxes_ = watcher.Seen();
        WSACleanup();
        CoUninitialize();
        return passed;
    }
    void ExpectOneStartupBox(const wchar_t* text)
    {
        ASSERT_EQ(1u, boxes_.size());
        EXPECT_EQ(text, boxes_[0].text);
        EXPECT_EQ(L"Velmora Server Setup", boxes_[0].title);
        EXPECT_EQ(LoadIconW(nullptr, IDI_ERROR), boxes_[0].icon);
        EXPECT_EQ(nullptr, boxes_[0].owner);
    }

    FakeSystem fake_;
    std::vector<SeenMessageBox> boxes_;

private:
    IsUserAnAdminCall savedAdmin_ = nullptr;
    GetVersionExCall savedVersion_ = nullptr;
};

const wchar_t kNotAdministrator[] = L"In order to install the server, you must have administration rights";
const wchar_t kWindowsTooOld[] = L"For server installation Windows XP SP2 or higher is required";

} // namespace

TEST(JudgeWindowsVersion, AcceptsXpSp2AndLaterAndChecksTheServiceOnlyOn5x)
{
    for (const VersionCase& c : kVersionCases)
        EXPECT_EQ(c.verdict, JudgeWindowsVersion(c.major, c.minor, c.servicePack))
            << c.major << "." << c.minor << " SP" << c.servicePack;
}

TEST_F(EnvironmentCheck, ANonAdministratorSeesMessage54BeforeTheVersionIsLookedAt)
{
    fake_.isAdmin = FALSE;
    fake_.major = 5;
    fake_.minor = 0;
    EXPECT_FALSE(Run());
    EXPECT_EQ(1, fake_.adminCalls);
    EXPECT_EQ(0, fake_.versionCalls);
    ExpectOneStartupBox(kNotAdministrator);
}

TEST_F(EnvironmentCheck, XpSp1IsRefusedWithMessage55)
{
    fake_.major = 5;
    fake_.minor = 1;
    fake_.servicePack = 1;
    EXPECT_FALSE(Run());
    EXPECT_EQ(sizeof(OSVERSIONINFOEXW), fake_.versionRecordSize);
    ExpectOneStartupBox(kWindowsTooOld);
}

TEST_F(EnvironmentCheck, AFailedVersionQueryIsRefusedWithMessage55)
{
    fake_.versionResult = FALSE;
    EXPECT_FALSE(Run());
    EXPECT_EQ(1, fake_.versionCalls);
    ExpectOneStartupBox(kWindowsTooOld);
}

TEST_F(EnvironmentCheck, Version6PassesWithoutTheHttpServiceCheck)
{
    // Wine has no "HTTPFilter" service: a service check would show message 40.
    fake_.major = 6;
    fake_.minor = 0;
    EXPECT_TRUE(Run());
    EXPECT_TRUE(boxes_.empty());
}
