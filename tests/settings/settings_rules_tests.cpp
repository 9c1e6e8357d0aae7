// The settings page's rules below its check: the field texts, the volume, the offered
// version, a certificate's end and the address match.
#include <gtest/gtest.h>
#include <winsock2.h>
#include <windows.h>

#include <functional>
#include <string>

#include "base/scoped_seam.h"
#include "support/enum_printers.h"
#include "wizard/settings_page/certificate_display.h"
#include "wizard/settings_page/host_addresses.h"
#include "wizard/settings_page/installed_version.h"
#include "wizard/settings_page/volume_check.h"
#include "wizard/settings_page/volume_check_seams.h"
#include "wizard/settings_text.h"

// Trimming: the rows of the check's table and of the administrator check's.
TEST(SettingsText, TheDriveRootOfAFolder)
{
    const struct { const wchar_t* folder; size_t capacity; const wchar_t* root; } cases[] = {
        {L"\\\\server\\share", 260, L"\\\\server\\share"},  // no colon: taken whole
        {L"C:\\x", 3, L"C:"},                               // cut to the capacity
    };
    for (const auto& c : cases) {
        wchar_t root[260] = {};
        GetDriveRoot(c.folder, root, c.capacity);
        EXPECT_STREQ(c.root, root) << c.folder;
    }
}

namespace {

// Stands behind the two replaceable volume calls (Wine has neither FAT volumes nor full
// disks): answers with the chosen file system and free space, and records the roots asked.
struct FakeVolume
{
    FakeVolume() { current = this; }
    ~FakeVolume() { current = nullptr; }
    FakeVolume(const FakeVolume&) = delete;
    FakeVolume& operator=(const FakeVolume&) = delete;

    const wchar_t* fileSystem = L"NTFS";  // null: unreadable
    ULONGLONG totalFree = 10ull << 30;
    ULONGLONG freeToCaller = 10ull << 30;
    BOOL freeSpaceResult = TRUE;
    DWORD freeSpaceError = 0;
    std::wstring asked;  // "information E:\, free space E:\"

private:
    static inline FakeVolume* current = nullptr;
    ScopedSeam<GetVolumeInformationCall> information_{g_getVolumeInformationCall, Information};
    ScopedSeam<GetDiskFreeSpaceExCall> freeSpace_{g_getDiskFreeSpaceExCall, FreeSpace};

    static BOOL WINAPI Information(LPCWSTR root, LPWSTR, DWORD, LPDWORD, LPDWORD, LPDWORD, LPWSTR fileSystem,
                                   DWORD fileSystemSize)
    {
        current->asked += L"information " + std::wstring(root);
        if (!current->fileSystem)
            return FALSE;
        lstrcpynW(fileSystem, current->fileSystem, static_cast<int>(fileSystemSize));
        return TRUE;
    }
    static BOOL WINAPI FreeSpace(LPCWSTR root, PULARGE_INTEGER freeToCaller, PULARGE_INTEGER total,
                                 PULARGE_INTEGER totalFree)
    {
        current->asked += L", free space " + std::wstring(root);
        if (!current->freeSpaceResult) {
            SetLastError(current->freeSpaceError);
            return FALSE;
        }
        freeToCaller->QuadPart = current->freeToCaller;
        total->QuadPart = 100ull << 30;
        totalFree->QuadPart = current->totalFree;
        return TRUE;
    }
};

} // namespace

TEST(VolumeCheck, EveryCase)
{
    const wchar_t kBoth[] = L"information E:\\, free space E:\\", kFat[] = L"information E:\\";
    const struct
    {
        const char* what;
        std::function<void(FakeVolume&)> arrange;
        VolumeVerdict verdict;
        const wchar_t* asked;
        DWORD error;  // left for the page with kFreeSpaceUnknown
    } cases[] = {
        {"NTFS with room", [](FakeVolume&) {}, VolumeVerdict::kUsable, kBoth, 0},
        {"FAT: refused before the space is asked", [](FakeVolume& v) { v.fileSystem = L"FAT"; },
         VolumeVerdict::kFatVolume, kFat, 0},
        {"exFAT", [](FakeVolume& v) { v.fileSystem = L"exFAT"; }, VolumeVerdict::kFatVolume, kFat, 0},
        {"the name is compared in capitals", [](FakeVolume& v) { v.fileSystem = L"fat32"; },
         VolumeVerdict::kUsable, kBoth, 0},
        {"no volume information: the free space decides", [](FakeVolume& v) { v.fileSystem = nullptr; },
         VolumeVerdict::kUsable, kBoth, 0},
        {"a byte too little", [](FakeVolume& v) { v.totalFree = kMinimumFreeBytes - 1; },
         VolumeVerdict::kTooLittleSpace, kBoth, 0},
        {"just enough", [](FakeVolume& v) { v.totalFree = kMinimumFreeBytes; }, VolumeVerdict::kUsable, kBoth, 0},
        {"the volume's free space counts, not the caller's quota", [](FakeVolume& v) { v.freeToCaller = 0; },
         VolumeVerdict::kUsable, kBoth, 0},
        {"a failed query leaves its reason", [](FakeVolume& v) {
             v.freeSpaceResult = FALSE;
             v.freeSpaceError = ERROR_ACCESS_DENIED;
         }, VolumeVerdict::kFreeSpaceUnknown, kBoth, ERROR_ACCESS_DENIED},
        {"... and never none, which would read as success", [](FakeVolume& v) { v.freeSpaceResult = FALSE; },
         VolumeVerdict::kFreeSpaceUnknown, kBoth, ERROR_NOT_READY},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakeVolume fake;
        c.arrange(fake);
        VolumeVerdict verdict = CheckInstallVolume(L"E:\\");
        DWORD error = GetLastError();
        EXPECT_EQ(c.verdict, verdict);
        EXPECT_EQ(c.asked, fake.asked);
        if (c.error) {
            EXPECT_EQ(c.error, error);
        }
    }
}

TEST(InstalledServer, OnlyLaterReleasesThanTheOfferedOneAreNewer)
{
    const struct { WORD major, minor, build, revision; bool newer; } cases[] = {
        {1, 0, 0, 368, false},  // the offered one
        {1, 0, 0, 367, false},
        {1, 0, 0, 369, true},
        {1, 0, 1, 0, true},     // a later build with a lower revision
        {1, 1, 0, 0, true},
        {2, 0, 0, 0, true},
        {0, 99, 99, 99, false},
        {0, 150, 0, 0, false},  // a higher minor of an older major
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.newer, IsNewerThanOffered(MAKELONG(c.minor, c.major), MAKELONG(c.revision, c.build)))
            << c.major << "." << c.minor << "." << c.build << "." << c.revision;
    }
}

TEST(CertificateDisplay, ValidUpToAndIncludingTheValidToMoment)
{
    // Ends on 2030-06-01; 0: a cleared date, which is time zero.
    const struct { WORD endYear; WORD year, month, day, hour; bool valid; } cases[] = {
        {2030, 2030, 5, 31, 0, true},
        {2030, 2030, 6, 1, 0, true},
        {2030, 2030, 6, 1, 1, false},
        {0, 2020, 1, 1, 0, false},
    };
    for (const auto& c : cases) {
        SYSTEMTIME end = {}, now = {};
        end.wYear = c.endYear, end.wMonth = c.endYear ? 6 : 0, end.wDay = c.endYear ? 1 : 0;
        now.wYear = c.year, now.wMonth = c.month, now.wDay = c.day, now.wHour = c.hour;
        FILETIME at = {};
        SystemTimeToFileTime(&now, &at);
        EXPECT_EQ(c.valid, CertificateStillValid(end, at)) << c.year << "-" << c.month << "-" << c.day << " " << c.hour;
    }
}

TEST(Addresses, AChosenAddressMatchesOnlyItselfAnyAddressEveryOfferedOneAndLoopback)
{
    auto list = [](std::initializer_list<const char*> dotted) {
        AddressList addresses = {};
        for (const char* address : dotted)
            addresses.entries[addresses.count++] = inet_addr(address);
        return addresses;
    };
    AddressList offered = list({"0.0.0.0", "192.168.1.5", "10.1.1.1"});
    const struct { size_t selection; AddressList resolved; bool matches; const char* why; } cases[] = {
        {2, list({"10.1.1.1"}), true, "the chosen address"},
        {1, list({"10.1.1.1"}), false, "another offered address"},
        {1, list({"127.0.0.1"}), false, "a chosen address does not answer on loopback"},
        {7, list({"10.1.1.1"}), false, "an index past the list"},
        {0, list({"8.8.8.8", "10.1.1.1"}), true, "any: one of the offered addresses"},
        {0, list({"127.0.1.1"}), true, "any: the whole loopback network"},
        {0, list({"192.0.2.1"}), false, "any: no address of this machine"},
        {0, list({}), false, "any: nothing resolved"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.matches, AddressesMatch(offered, c.selection, c.resolved)) << c.why;
}
