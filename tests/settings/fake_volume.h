#pragma once
#include <windows.h>
#include <string>

#include "base/scoped_seam.h"
#include "wizard/settings_page/volume_check_seams.h"

// Stands behind the two replaceable volume calls while it lives (Wine has neither FAT
// volumes nor full disks): answers with the chosen file system and free space, and records
// the roots that it was asked about.
struct FakeVolume
{
    FakeVolume() { current = this; }
    ~FakeVolume() { current = nullptr; }
    FakeVolume(const FakeVolume&) = delete;
    FakeVolume& operator=(const FakeVolume&) = delete;

    BOOL informationResult = TRUE;
    const wchar_t* fileSystem = L"NTFS";
    BOOL freeSpaceResult = TRUE;
    ULONGLONG totalFree = 10ull << 30;
    ULONGLONG freeToCaller = 10ull << 30;
    DWORD freeSpaceError = 0;
    std::wstring informationRoot;
    std::wstring freeSpaceRoot;
    int freeSpaceCalls = 0;

private:
    static inline FakeVolume* current = nullptr;
    ScopedSeam<GetVolumeInformationCall> information_{g_getVolumeInformationCall, Information};
    ScopedSeam<GetDiskFreeSpaceExCall> freeSpace_{g_getDiskFreeSpaceExCall, FreeSpace};

    static BOOL WINAPI Information(LPCWSTR root, LPWSTR, DWORD, LPDWORD, LPDWORD, LPDWORD,
                                   LPWSTR fileSystem, DWORD fileSystemSize)
    {
        current->informationRoot = root;
        if (!current->informationResult)
            return FALSE;
        lstrcpynW(fileSystem, current->fileSystem, static_cast<int>(fileSystemSize));
        return TRUE;
    }
    static BOOL WINAPI FreeSpace(LPCWSTR root, PULARGE_INTEGER freeToCaller, PULARGE_INTEGER total,
                                 PULARGE_INTEGER totalFree)
    {
        current->freeSpaceRoot = root;
        ++current->freeSpaceCalls;
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
