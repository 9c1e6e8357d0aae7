#pragma once
#include <windows.h>
#include <functional>
#include <string>

#include "base/scoped_handle.h"
#include "support/program_run.h"
#include "support/temp_folder.h"
#include "support/uninstall_entry_reader.h"
#include "support/wait_until.h"

// A server installation made for one test as the setup makes it: a unique folder (with a
// space in its name) holding the staged Velmora.exe, uninstall.exe and config\velmora.cfg,
// a service of a unique name running that Velmora.exe, and its entry among the installed
// programs. The destructor removes what is left of all three.
class TestInstallation
{
public:
    // `tag` makes the folder name differ between installations of one test.
    TestInstallation(const wchar_t* tag, const std::string& config);
    ~TestInstallation();

    bool Ready() const { return ready_; }
    const std::wstring& Folder() const { return folder_.Path(); }
    const std::wstring& ServiceName() const { return serviceName_; }
    const UninstallEntryReader& Entry() const { return entry_; }
    std::wstring ServerPath() const { return folder_.File(L"Velmora.exe"); }
    std::wstring UninstallerPath() const { return folder_.File(L"uninstall.exe"); }

    // Starts the service and waits for the readiness event; true when it was set in time.
    bool StartAndWaitReady(DWORD timeoutMs = 30000);
    // The service's current status, or a zero-filled one when it cannot be read.
    SERVICE_STATUS_PROCESS Status() const;
    bool StopAndWait();
    bool WaitForState(DWORD state, DWORD timeoutMs) const
    {
        return WaitUntil([&] { return Status().dwCurrentState == state; }, timeoutMs);
    }

private:
    UniqueServiceHandle OpenOwnService() const;

    TempFolder folder_;
    std::wstring serviceName_;
    UninstallEntryReader entry_;
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
    return RunProgram({L"\"" + path + L"\" " + arguments, AnswerQuestionsWith(answer), whileSuspended});
}

// Deletes the copies that uninstallers left in their own folders in the temporary folder;
// false when there was none, or one could not be deleted.
bool DeleteCopiesLeftInTemp();
