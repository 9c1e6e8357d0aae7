#include "wizard/settings_page/volume_check.h"
#include "wizard/settings_page/volume_check_seams.h"

#include <wchar.h>

#include "base/last_error.h"

GetVolumeInformationCall g_getVolumeInformationCall = GetVolumeInformationW;
GetDiskFreeSpaceExCall g_getDiskFreeSpaceExCall = GetDiskFreeSpaceExW;

VolumeVerdict CheckInstallVolume(const wchar_t* root)
{
    wchar_t fileSystem[MAX_PATH + 1] = {};
    // Case-sensitive on purpose: FAT, FAT32 and exFAT volumes all report it in capitals.
    if (g_getVolumeInformationCall(root, nullptr, 0, nullptr, nullptr, nullptr, fileSystem,
                                MAX_PATH + 1) &&
        wcsstr(fileSystem, L"FAT"))
        return VolumeVerdict::kFatVolume;
    ULARGE_INTEGER freeToCaller = {}, total = {}, totalFree = {};
    if (!g_getDiskFreeSpaceExCall(root, &freeToCaller, &total, &totalFree)) {
        // The page shows this reason; a refusal without one must not read as "done".
        SetLastError(LastErrorOr(ERROR_NOT_READY));
        return VolumeVerdict::kFreeSpaceUnknown;
    }
    if (totalFree.QuadPart < kMinimumFreeBytes)
        return VolumeVerdict::kTooLittleSpace;
    return VolumeVerdict::kUsable;
}
