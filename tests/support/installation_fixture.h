#pragma once
#include <windows.h>
#include <string>

#include "support/socket_helpers.h"
#include "support/temp_folder.h"

// A new installation of the real server into a unique folder under a unique service
// name; whatever the run left (service, server process, program group, entry among the
// installed programs) goes afterwards. Winsock runs while it lives, as in the setup.
class InstallationFixture
{
public:
    explicit InstallationFixture(const wchar_t* tag);
    ~InstallationFixture();
    InstallationFixture(const InstallationFixture&) = delete;
    InstallationFixture& operator=(const InstallationFixture&) = delete;

    // Fills g_settings for an attended new installation into InstallDir().
    void PrepareSettings() const;

    const std::wstring& InstallDir() const { return installDir_; }
    const std::wstring& ServiceName() const { return serviceName_; }
    const TempFolder& Root() const { return root_; }
    bool InstallDirExists() const;
    bool ServiceExists() const;

private:
    ScopedWinsock winsock_;
    TempFolder root_;
    std::wstring installDir_;
    std::wstring serviceName_;
};

// Registers the service `serviceName` of the server in `folder` as the setup would, with
// `startType`: disabled, the setup keeps it and its start fails.
bool InstallServerService(const std::wstring& folder, const std::wstring& serviceName, DWORD startType);

// The all-users program group that an installation makes.
std::wstring ProgramGroupPath();
// Deletes the setup's links from the group, then the group, whichever run made them.
void RemoveProgramGroup();
