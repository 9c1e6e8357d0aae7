#pragma once
#include <windows.h>
#include <set>
#include <string>

#include "base/scoped_handle.h"
#include "support/installation_fixture.h"
#include "support/program_run.h"
#include "support/uninstall_entry_reader.h"
#include "support/wait_until.h"

// A server installation made for one test as the setup makes it, without the setup: the
// fixture's folder (with a space in its path) holding the staged Velmora.exe, uninstall.exe
// and config\velmora.cfg, a service of the fixture's name running that Velmora.exe, and its
// entry among the installed programs. The fixture removes what is left of them.
class TestInstallation : public InstallationFixture
{
public:
    TestInstallation(const wchar_t* tag, const std::string& config);

    bool Ready() const { return ready_; }
    const std::wstring& Folder() const { return InstallDir(); }
    UninstallEntryReader Entry() const { return UninstallEntryReader(ServiceName()); }
    std::wstring ServerPath() const { return Folder() + L"\\Velmora.exe"; }
    std::wstring UninstallerPath() const { return Folder() + L"\\uninstall.exe"; }

    // Starts the service, its readiness event made first and handed back in `ready`.
    bool Start(UniqueHandle& ready) const;
    // Starts the service and waits for the readiness event; true when it was set in time.
    bool StartAndWaitReady() const;
    // The service's current status, or a zero-filled one when it cannot be read.
    SERVICE_STATUS_PROCESS Status() const;

private:
    bool ready_ = false;
};

// The folder that velmora_payload_tree staged, as Windows programs see it.
std::wstring PayloadFolder();
// A loopback port on which nothing listens right now.
unsigned short FreeLoopbackPort();

// The folders in the system's temporary folder into which uninstallers moved themselves.
std::set<std::wstring> MovedUninstallerFolders();
// Deletes the uninstallers left there for the next restart, with their folders; false when
// there was none, or one could not be deleted.
bool DeleteMovedUninstallers();
