#pragma once
#include <windows.h>

// A server's entry among the installed programs as it was before the setup wrote over it
// (another installation with the same service name), with the record of what that
// installation made (its subkey kRememberedInstallationKeyName), put back value by value if
// the installation does not complete; without one before, the entry goes again.
class SavedUninstallEntry
{
public:
    SavedUninstallEntry() = default;
    ~SavedUninstallEntry();
    SavedUninstallEntry(const SavedUninstallEntry&) = delete;
    SavedUninstallEntry& operator=(const SavedUninstallEntry&) = delete;

    // Reads the entry of `serviceName` (once). False, with the reason in the last error,
    // when it is there but could not be read.
    bool Save(const wchar_t* serviceName);
    // Deletes the entry as it is now and writes the saved one back, if there was one.
    bool PutBack() const;
    // Save found an entry.
    bool Found() const { return entry_.bytes != nullptr; }

private:
    // The values of one key: per value name length, name, type, data size, data.
    struct Values
    {
        BYTE* bytes = nullptr;  // null when the key was not there
        DWORD size = 0;
    };

    wchar_t keyPath_[400] = {};
    wchar_t recordPath_[416] = {};
    Values entry_;
    Values record_;
};
