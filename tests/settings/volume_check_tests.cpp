// The volume rules, through the two replaceable volume calls: Wine has neither FAT
// volumes nor full disks.
#include <gtest/gtest.h>

#include <string>

#include "wizard/volume_check.h"

namespace {

struct FakeVolume
{
    BOOL informationResult = TRUE;
    const wchar_t* fileSystem = L"NTFS";
    BOOL freeSpaceResult = TRUE;
    ULONGLONG totalFree = 10ull << 30;
    ULONGLONG freeToCaller = 10ull << 30;
    DWORD freeSpaceError = 0;
    std::wstring informationRoot;
    std::wstring freeSpaceRoot;
    int freeSpaceCalls = 0;
};
FakeVolume* g_fake = nullptr;

BOOL WINAPI FakeInformation(LPCWSTR root, LPWSTR, DWORD, LPDWORD, LPDWORD, LPDWORD,
                            LPWSTR fileSystem, DWORD fileSystemSize)
{
    g_fake->informationRoot = root;
    if (!g_fake->informationResult)
        return FALSE;
    lstrcpynW(fileSystem, g_fake->fileSystem, static_cast<int>(fileSystemSize));
    return TRUE;
}

BOOL WINAPI FakeFreeSpace(LPCWSTR root, PULARGE_INTEGER freeToCaller, PULARGE_INTEGER total,
                          PULARGE_INTEGER totalFree)
{
    g_fake->freeSpaceRoot = root;
    ++g_fake->freeSpaceCalls;
    if (!g_fake->freeSpaceResult) {
        SetLastError(g_fake->freeSpaceError);
        return FALSE;
    }
    freeToCaller->QuadPart = g_fake->freeToCaller;
    total->QuadPart = 100ull << 30;
    totalFree->QuadPart = g_fake->totalFree;
    return TRUE;
}

class VolumeCheck : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_fake = &fake;
        g_volumeInformationCall = FakeInformation;
        g_diskFreeSpaceCall = FakeFreeSpace;
    }
    void TearDown() override
    {
        g_volumeInformationCall = GetVolumeInformationW;
        g_diskFreeSpaceCall = GetDiskFreeSpaceExW;
        g_fake = nullptr;
    }
    FakeVolume fake;
};

} // namespace

TEST_F(VolumeCheck, FatVolumesOfEveryKindAreRefusedBeforeTheSpaceIsAsked)
{
    for (const wchar_t* name : {L"FAT", L"FAT32", L"exFAT"}) {
        fake.fileSystem = name;
        fake.freeSpaceCalls = 0;
        EXPECT_EQ(VolumeVerdict::kFatVolume, CheckInstallVolume(L"E:\\")) << name;
        EXPECT_EQ(L"E:\\", fake.informationRoot);
        EXPECT_EQ(0, fake.freeSpaceCalls);
    }
    fake.fileSystem = L"fat32";
    EXPECT_EQ(VolumeVerdict::kUsable, CheckInstallVolume(L"E:\\")) << "the name is compared in capitals";
}

TEST_F(VolumeCheck, UnreadableVolumeInformationLeavesTheDecisionToTheFreeSpace)
{
    fake.informationResult = FALSE;
    fake.fileSystem = L"FAT32";
    EXPECT_EQ(VolumeVerdict::kUsable, CheckInstallVolume(L"\\\\server\\share"));
    EXPECT_EQ(L"\\\\server\\share", fake.freeSpaceRoot);
}

TEST_F(VolumeCheck, TheVolumesTotalFreeSpaceMustReachFiftyMebibytes)
{
    fake.totalFree = 40ull << 20;
    EXPECT_EQ(VolumeVerdict::kTooLittleSpace, CheckInstallVolume(L"C:\\"));
    fake.totalFree = kMinimumFreeBytes - 1;
    EXPECT_EQ(VolumeVerdict::kTooLittleSpace, CheckInstallVolume(L"C:\\"));
    fake.totalFree = kMinimumFreeBytes;
    EXPECT_EQ(VolumeVerdict::kUsable, CheckInstallVolume(L"C:\\"));
    // The whole volume's free space counts, not only the caller's quota.
    fake.freeToCaller = 0;
    EXPECT_EQ(VolumeVerdict::kUsable, CheckInstallVolume(L"C:\\"));
    EXPECT_EQ(L"C:\\", fake.freeSpaceRoot);
}

TEST_F(VolumeCheck, FailedFreeSpaceQueryLeavesItsReason)
{
    fake.freeSpaceResult = FALSE;
    fake.freeSpaceError = ERROR_NOT_READY;
    EXPECT_EQ(VolumeVerdict::kFreeSpaceUnknown, CheckInstallVolume(L"A:\\"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_READY), GetLastError());
}

TEST(VolumeCheckReal, ThisMachinesDriveIsUsable)
{
    EXPECT_EQ(VolumeVerdict::kUsable, CheckInstallVolume(L"C:\\"));
}
