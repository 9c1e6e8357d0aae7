#pragma once
#include <windows.h>
#include <functional>
#include <string>

#include "base/scoped_handle.h"
#include "support/program_run.h"
#include "support/temp_folder.h"
#include "support/wait_until.h"

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
    bool WaitForState(DWORD state, DWORD timeoutMs) const
    {
        return WaitUntil([&] { return Status().dwCurrentState == state; }, timeoutMs);
    }

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

// Runs the program at `path` with `arguments`, its Yes/No question answered `answer`.
inline ProgramRun RunProgram(const std::wstring& path, const std::wstring& arguments = L"", int answer = IDNO,
                             const std::function<void(DWORD)>& whileSuspended = nullptr)
{
    return RunProgram({L"\"" + path + L"\"" + (arguments.empty() ? L"" : L" " + arguments),
                       AnswerQuestionsWith(answer), whileSuspended});
}

// Where the uninstaller started as `originalProcessId` puts the copy that finishes its work.
std::wstring CopyLeftInTemp(DWORD originalProcessId);
// Deletes that copy once it has ended; true when it is gone.
bool DeleteCopyLeftInTemp(DWORD originalProcessId);
