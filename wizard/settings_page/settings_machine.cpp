#include "wizard/settings_page/settings_machine.h"

#include <new>

#include "base/install_settings.h"
#include "base/last_error.h"
#include "base/setup_tools.h"
#include "engine/changes/certificate_changes.h"
#include "engine/changes/folder_changes.h"

namespace {

bool IsFolder(const wchar_t* path)
{
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

} // namespace

FolderVerdict LocalSettingsMachine::CheckFolder(const wchar_t* folder, bool installation)
{
    LocalFolderFacts facts(g_settings.setup_dir);
    return CheckFolderPolicy(folder, installation, facts);
}

VolumeVerdict LocalSettingsMachine::CheckVolume(const wchar_t* root, DWORD* error)
{
    VolumeVerdict verdict = CheckInstallVolume(root);
    *error = GetLastError();
    return verdict;
}

bool LocalSettingsMachine::FolderExists(const wchar_t* folder)
{
    return IsFolder(folder);
}

InstallationIdentity LocalSettingsMachine::IdentifyInstallation(const wchar_t* folder, const wchar_t* serviceName)
{
    LocalInstallationFacts facts;
    return ::IdentifyInstallation(folder, serviceName, facts);
}

InstalledVersion LocalSettingsMachine::ReadVersion(const wchar_t* executable)
{
    return ReadInstalledVersion(executable);
}

void LocalSettingsMachine::KeepConfiguration(const wchar_t* installDir)
{
    KeepInstalledConfiguration(installDir);
}

bool LocalSettingsMachine::Resolve(const char* hostName, AddressList& resolved)
{
    return ResolveHostAddresses(hostName, resolved);
}

PortVerdict LocalSettingsMachine::TestPort(ULONG address, int* socketError)
{
    return TestServerPort(address, socketError);
}

DWORD LocalSettingsMachine::ImportCertificate(const BYTE* image, DWORD size, const wchar_t* password,
                                              BYTE* hash, DWORD* hashLength)
{
    // Each import changes the store; the check asks again after each question.
    Import& import = imports_[password ? 1 : 0];
    if (!import.done) {
        import.length = sizeof(import.hash);
        import.error = changes_.Apply(new (std::nothrow) ServerCertificateChange(image, size, password, import.hash))
                           ? 0
                           : LastErrorOr(ERROR_INVALID_DATA);
        import.done = true;
    }
    *hashLength = import.length <= *hashLength ? import.length : *hashLength;
    CopyMemory(hash, import.hash, *hashLength);
    return import.error;
}

bool LocalSettingsMachine::CreateFolder(const wchar_t* folder, DWORD* error)
{
    // Never taken for made here: one that appeared is somebody else's until checked.
    if (IsFolder(folder)) {
        *error = ERROR_ALREADY_EXISTS;
        return false;
    }
    if (changes_.Apply(new (std::nothrow) MadeFolderChange(folder)))
        return true;
    *error = GetLastError();
    return false;
}
