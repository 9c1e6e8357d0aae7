#pragma once
#include <windows.h>

// Whether a drive can take the server: not a FAT volume, and at least 50 MiB free.
enum class VolumeVerdict
{
    kUsable,
    kFatVolume,         // the file system's name contains "FAT"
    kFreeSpaceUnknown,  // the free space could not be queried; the reason is the last error
    kTooLittleSpace,
};

// Free space below which the server is not installed.
const ULONGLONG kMinimumFreeBytes = 52428800;
// What the user is asked to free, in Mb, whatever the shortage.
const int kAskedFreeMegabytes = 800;

// Checks the volume whose root is `root` ("C:\\"). A volume whose information cannot be
// read is not taken for FAT; its free space decides.
VolumeVerdict CheckInstallVolume(const wchar_t* root);
