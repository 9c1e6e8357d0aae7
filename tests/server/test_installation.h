#pragma once
#include <windows.h>
#include <string>

#include "base/scoped_handle.h"
#include "support/temp_folder.h"

// A server installation made for one test: a unique folder (with a space in its name)
// under the temporary folder holding the staged Velmora.exe and uninstall.exe and a
// config\velmora.cfg, and a service of a unique name that runs that Velmora.exe as the
// setup would create it. The destructor stops and deletes the service and deletes what
// is left of the folder.
class TestInstallation
{
public:
    // `tag` makes the folder name differ between installations of one test.
    TestInstallation(const wchar_t* tag, const std::string& config);
    ~TestInstallation();

    bool Ready() const { return ready_; }
    const std::wstring& Folder() const { return folder_.Path(); }
    const std::wstring& ServiceName() const { return serviceName_; }
    std::wstring ServerPath() const { return folder_.File(L"Velmora.exe"); }
    std::wstring UninstallerPath() const { return folder_.File(L"uninstall.exe"); }

    // Creates the readiness event as the setup does (full access for everyone), starts the
    // service and waits for the event. True when it was set within `timeoutMs`.
    bool StartAndWaitReady(DWORD timeoutMs = 30000);
    // The service's current status, or a zero-filled one when it cannot be read.
    SERVICE_STATUS_PROCESS Status() const;
    // Sends the stop control and waits until the service reports stopped.
    bool StopAndWait(DWORD timeoutMs = 20000);
    // Waits until the service reports `state`.
    bool WaitForState(DWORD state, DWORD timeoutMs) const;

private:
    UniqueServiceHandle OpenOwnService() const;

    TempFolder folder_;
    std::wstring serviceName_;
    bool ready_ = false;
};

// The folder that velmora_payload_tree staged, as Windows programs see it.
std::wstring PayloadFolder();
// A loopback port on which nothing listens right now.
unsigned short FreeLoopbackPort();
// Runs `commandLine` and waits for it; returns its exit code, or -1 on failure.
int RunAndWait(const std::wstring& commandLine, DWORD timeoutMs = 30000);
bool PathExists(const std::wstring& path);
