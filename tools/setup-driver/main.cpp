// setup-driver SETUP.EXE [SECONDS]
// Starts SETUP.EXE and does what the user of an unattended run does: presses Next on the
// welcome page (the one page that waits for the user). Message boxes are printed and
// answered with their default button. Ends with setup's exit code, or 1 when setup did
// not end within SECONDS (default 600) and was stopped.
#include <windows.h>
#include <prsht.h>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <vector>

namespace {

const int kMessageTextId = 0xFFFF;

struct Driver
{
    DWORD processId;
    bool welcomeLeft;
    HWND currentPage;
    std::vector<HWND> answered;
};

bool IsAnswered(const Driver& driver, HWND box)
{
    for (HWND seen : driver.answered)
        if (seen == box)
            return true;
    return false;
}

void AnswerMessageBox(Driver& driver, HWND box)
{
    if (IsAnswered(driver, box))
        return;
    wchar_t title[128] = {};
    wchar_t text[1024] = {};
    GetWindowTextW(box, title, 128);
    GetWindowTextW(GetDlgItem(box, kMessageTextId), text, 1024);
    wprintf(L"message box \"%ls\": %ls\n", title, text);
    fflush(stdout);
    LRESULT defaultId = SendMessageW(box, DM_GETDEFID, 0, 0);
    WORD button = HIWORD(defaultId) == DC_HASDEFID ? LOWORD(defaultId) : IDOK;
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
    driver.answered.push_back(box);
}

// Reports each page as it comes, so that a run that stops shows where.
void FollowWizard(Driver& driver, HWND wizard, HWND page)
{
    LRESULT index = SendMessageW(wizard, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(page), 0);
    if (page != driver.currentPage) {
        driver.currentPage = page;
        wprintf(L"wizard page %ld\n", static_cast<long>(index));
        fflush(stdout);
    }
    if (driver.welcomeLeft || index != 0)
        return;
    PostMessageW(wizard, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
    driver.welcomeLeft = true;
}

BOOL CALLBACK VisitWindow(HWND window, LPARAM parameter)
{
    Driver& driver = *reinterpret_cast<Driver*>(parameter);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != driver.processId || !IsWindowVisible(window))
        return TRUE;
    DWORD_PTR page = 0;
    if (SendMessageTimeoutW(window, PSM_GETCURRENTPAGEHWND, 0, 0, SMTO_ABORTIFHUNG, 2000, &page) && page)
        FollowWizard(driver, window, reinterpret_cast<HWND>(page));
    else if (GetDlgItem(window, kMessageTextId))
        AnswerMessageBox(driver, window);
    return TRUE;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) {
        fwprintf(stderr, L"usage: setup-driver SETUP.EXE [SECONDS]\n");
        return 2;
    }
    DWORD seconds = argc > 2 ? wcstoul(argv[2], nullptr, 10) : 600;
    std::wstring commandLine = L"\"" + std::wstring(argv[1]) + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(argv[1], &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        fwprintf(stderr, L"setup-driver: cannot start %ls (error %lu)\n", argv[1], GetLastError());
        return 1;
    }
    CloseHandle(process.hThread);

    Driver driver = {process.dwProcessId, false, nullptr, {}};
    DWORD start = GetTickCount();
    while (WaitForSingleObject(process.hProcess, 200) == WAIT_TIMEOUT) {
        if (GetTickCount() - start >= seconds * 1000) {
            fwprintf(stderr, L"setup-driver: setup did not end within %lu s; stopping it\n", seconds);
            TerminateProcess(process.hProcess, 1);
            CloseHandle(process.hProcess);
            return 1;
        }
        EnumWindows(VisitWindow, reinterpret_cast<LPARAM>(&driver));
    }
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hProcess);
    wprintf(L"setup.exe exit code: %ld\n", static_cast<long>(exitCode));
    return static_cast<int>(exitCode);
}
