// The volume rules, through the two replaceable volume calls.
#include <gtest/gtest.h>

#include <string>

#include "settings/fake_volume.h"
#include "wizard/settings_page/volume_check.h"

namespace {

class VolumeCheck : public ::testing::Test
{
protected:
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

TEST_F(VolumeCheck, FailedFreeSpaceQueryLeavesItsReasonAndNeverNone)
{
    // The page shows the reason; a query that failed without one would read as success.
    const struct { DWORD given, left; } cases[] = {
        {ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED},
        {0, ERROR_NOT_READY},
    };
    fake.freeSpaceResult = FALSE;
    for (const auto& c : cases) {
        fake.freeSpaceError = c.given;
        EXPECT_EQ(VolumeVerdict::kFreeSpaceUnknown, CheckInstallVolume(L"A:\\"));
        EXPECT_EQ(c.left, GetLastError()) << c.given;
    }
}

TEST(VolumeCheckReal, ThisMachinesDriveIsUsable)
{
    EXPECT_EQ(VolumeVerdict::kUsable, CheckInstallVolume(L"C:\\"));
}
