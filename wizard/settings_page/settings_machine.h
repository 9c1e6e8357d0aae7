#pragma once
#include <winsock2.h>
#include <windows.h>

#include "engine/changes/change_transaction.h"

#include "engine/folder_policy.h"
#include "engine/installation_identity.h"
#include "wizard/settings_page/host_addresses.h"
#include "wizard/settings_page/installed_version.h"
#include "wizard/settings_page/port_test.h"
#include "wizard/settings_page/volume_check.h"

// What the settings page's Next check asks of the machine and has it do: the page hands
// it this machine (LocalSettingsMachine), tests a fake one.
class SettingsMachine
{
public:
    // `error` receives the reason with kFreeSpaceUnknown.
    virtual VolumeVerdict CheckVolume(const wchar_t* root, DWORD* error) = 0;
    virtual bool FolderExists(const wchar_t* folder) = 0;
    // What `folder` holds for a run under the service `serviceName`.
    virtual InstallationIdentity IdentifyInstallation(const wchar_t* folder, const wchar_t* serviceName) = 0;
    // The folder rules (engine/folder_policy.h) for `folder`, which holds this run's
    // installation when `installation` is set.
    virtual FolderVerdict CheckFolder(const wchar_t* folder, bool installation) = 0;
    virtual InstalledVersion ReadVersion(const wchar_t* executable) = 0;
    virtual void KeepConfiguration(const wchar_t* installDir) = 0;
    virtual bool Resolve(const char* hostName, AddressList& resolved) = 0;
    virtual PortVerdict TestPort(ULONG address, int* socketError) = 0;
    // ImportServerCertificate into the machine's "MY" store.
    virtual DWORD ImportCertificate(const BYTE* image, DWORD size, const wchar_t* password, BYTE* hash,
                                    DWORD* hashLength) = 0;
    // Creates the folder and the missing ones above it; false with the reason in `error`,
    // ERROR_ALREADY_EXISTS when the folder is there (made by somebody else meanwhile).
    virtual bool CreateFolder(const wchar_t* folder, DWORD* error) = 0;

protected:
    ~SettingsMachine() = default;
};

// This machine. It lives for one press of Next, during which a question answered Yes runs
// the check again: it imports the certificate once and gives the same answer thereafter.
class LocalSettingsMachine final : public SettingsMachine
{
public:
    // The folder and the certificate it makes are the run's changes, entered in `changes`.
    explicit LocalSettingsMachine(ChangeTransaction& changes) : changes_(changes) {}
    VolumeVerdict CheckVolume(const wchar_t* root, DWORD* error) override;
    bool FolderExists(const wchar_t* folder) override;
    InstallationIdentity IdentifyInstallation(const wchar_t* folder, const wchar_t* serviceName) override;
    FolderVerdict CheckFolder(const wchar_t* folder, bool installation) override;
    InstalledVersion ReadVersion(const wchar_t* executable) override;
    void KeepConfiguration(const wchar_t* installDir) override;
    bool Resolve(const char* hostName, AddressList& resolved) override;
    PortVerdict TestPort(ULONG address, int* socketError) override;
    DWORD ImportCertificate(const BYTE* image, DWORD size, const wchar_t* password, BYTE* hash,
                            DWORD* hashLength) override;
    bool CreateFolder(const wchar_t* folder, DWORD* error) override;

private:
    struct Import
    {
        bool done = false;
        DWORD error = 0;
        BYTE hash[20] = {};
        DWORD length = 0;
    };
    Import imports_[2];  // without and with a password
    ChangeTransaction& changes_;
};
