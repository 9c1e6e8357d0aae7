#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

#include "support/temp_folder.h"
#include "support/message_box_watcher.h"
#include "wizard/wizard_driver.h"

// A copy of setup.exe under a name of its own in a fresh temporary folder, so that the
// Windows version set for it in Wine's per-program settings and the files beside it
// concern this test alone. Removes the folder and the settings afterwards.
class SetupCopy
{
public:
    SetupCopy();
    ~SetupCopy();
    SetupCopy(const SetupCopy&) = delete;
    SetupCopy& operator=(const SetupCopy&) = delete;

    bool IsValid() const { return !exePath_.empty(); }
    // The copy's own folder, where a velmorasetup.cfg for it goes.
    const std::wstring& Folder() const { return folder_.Path(); }

    // Makes Wine report this Windows version ("win2k", "winxp64", "win7"...) to the copy.
    bool SetWindowsVersion(const wchar_t* version);

    // Starts the copy, records its message boxes and answers them (`answer`, by default
    // OK), lets `drive` act on the running process, and waits for it to end. The copy
    // runs in this process's locale: Wine gives a program started from another the Unix
    // locale of the first. False when it could not start or did not end within the time
    // limit (it is ended then).
    struct Run
    {
        DWORD exitCode = 0;
        std::vector<SeenMessageBox> boxes;
    };
    using Driver = std::function<void(DWORD processId)>;
    bool Start(Run* run, const Driver& drive = nullptr, const MessageBoxWatcher::Answer& answer = nullptr,
               DWORD timeoutMs = 60000);

private:
    TempFolder folder_;
    std::wstring exeName_;
    std::wstring exePath_;
    bool versionSet_ = false;
};
