#pragma once
#include <windows.h>

// Seams of the volume check: platform calls that tests replace (through ScopedSeam) to
// produce what Wine cannot; the product never replaces them.

// GetVolumeInformationW: Wine has no FAT volumes.
using GetVolumeInformationCall = BOOL(WINAPI*)(LPCWSTR root, LPWSTR volumeName, DWORD volumeNameSize,
                                               LPDWORD serialNumber, LPDWORD maxComponentLength,
                                               LPDWORD fileSystemFlags, LPWSTR fileSystemName,
                                               DWORD fileSystemNameSize);
extern GetVolumeInformationCall g_getVolumeInformationCall;

// GetDiskFreeSpaceExW: Wine has no nearly full disks.
using GetDiskFreeSpaceExCall = BOOL(WINAPI*)(LPCWSTR directory, PULARGE_INTEGER freeToCaller,
                                             PULARGE_INTEGER totalBytes, PULARGE_INTEGER totalFreeBytes);
extern GetDiskFreeSpaceExCall g_getDiskFreeSpaceExCall;
