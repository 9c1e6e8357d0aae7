// setup-driver SETUP.EXE [SECONDS] [--timeline PORT]
// Starts SETUP.EXE and does what the user of an unattended run does: presses Next on the
// welcome page (the one page that waits for the user). Message boxes are printed and
// answered with their default button. Ends with setup's exit code; its own failures end
// with codes setup never uses (kDriver*), so that a stopped or unstarted setup cannot
// pass for setup's 1 (success) or 2 (failed run). With --timeline, every event is
// printed with the milliseconds since setup started: each page, the end of each
// installation step as the progress page shows it, setup's end, and the first HTTP answer on PORT of this
// machine.
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <vector>

#include "resources/wizard_ids.h"

namespace {

const int kDriverUsage = 100;
const int kDriverCannotStart = 101;
const int kDriverTimeout = 102;
const int kDriverNoExitCode = 103;

const int kMessageTextId = 0xFFFF;

const int kStepCount = 7;
const wchar_t* const kStepNames[kStepCount] = {L"prepare", L"extract", L"certificate", L"configure",
                                               L"service", L"start", L"readiness"};

struct Driver
{
    DWORD processId;
    bool welcomeLeft;
    HWND currentPage;
    std::vector<HWND> answered;
    bool timeline;
    DWORD start;
    bool stepDone[kStepCount];
};

// Prints the time since setup started when timing, nothing otherwise.
void Stamp(const Driver& driver)
{
    if (driver.timeline)
        wprintf(L"%7lu ms  ", GetTickCount() - driver.start);
}

// The installation's steps as the progress page's bar shows them: the sequence moves it
// to (step + 1) * 100 / 7 when a step is done. Read by its position, which needs no
// memory shared with setup's process.
void FollowSteps(Driver& driver, HWND page)
{
    HWND bar = GetDlgItem(page, IDC_PROGRESS_BAR);
    DWORD_PTR position = 0;
    if (!bar || !SendMessageTimeoutW(bar, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 2000, &position))
        return;
    for (int step = 0; step < kStepCount; ++step) {
        if (driver.stepDone[step] || static_cast<int>(position) < (step + 1) * 100 / kStepCount)
            continue;
        driver.stepDone[step] = true;
        Stamp(driver);
        wprintf(L"step %ls done\n", kStepNames[step]);
        fflush(stdout);
    }
}

// True when something answers an HTTP request on the port of this machine.
bool HttpAnswers(unsigned short port)
{
    SOCKET connection = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (connection == INVALID_SOCKET)
        return false;
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    // A listener that takes the request and never answers must not stop the timeline.
    DWORD timeoutMs = 1000;
    setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeoutMs), sizeof(timeoutMs));
    bool answered = false;
    if (connect(connection, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0) {
        char request[96];
        int length = snprintf(request, sizeof(request),
                              "GET / HTTP/1.1\r\nHost: localhost:%u\r\nConnection: close\r\n\r\n", port);
        char reply[16] = {};
        answered = send(connection, request, length, 0) > 0 && recv(connection, reply, 5, 0) == 5 &&
                   memcmp(reply, "HTTP/", 5) == 0;
    }
    closesocket(connection);
    return answered;
}

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
    Stamp(driver);
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
    if (driver.timeline)
        FollowSteps(driver, page);
    if (page != driver.currentPage) {
        driver.currentPage = page;
        Stamp(driver);
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
        fwprintf(stderr, L"usage: setup-driver SETUP.EXE [SECONDS] [--timeline PORT]\n");
        return kDriverUsage;
    }
    DWORD seconds = 600;
    unsigned short port = 0;
    for (int i = 2; i < argc; ++i) {
        if (wcscmp(argv[i], L"--timeline") == 0 && i + 1 < argc)
            port = static_cast<unsigned short>(wcstoul(argv[++i], nullptr, 10));
        else
            seconds = wcstoul(argv[i], nullptr, 10);
    }
    WSADATA winsock;
    if (port != 0 && WSAStartup(MAKEWORD(2, 2), &winsock) != 0)
        port = 0;
    std::wstring commandLine = L"\"" + std::wstring(argv[1]) + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    DWORD start = GetTickCount();
    if (!CreateProcessW(argv[1], &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        fwprintf(stderr, L"setup-driver: cannot start %ls (error %lu)\n", argv[1], GetLastError());
        return kDriverCannotStart;
    }
    CloseHandle(process.hThread);

    Driver driver = {process.dwProcessId, false, nullptr, {}, port != 0, start, {}};
    // Timing looks every 20 ms; otherwise 200 ms is quick enough for a person's pace.
    DWORD pollMs = port != 0 ? 20 : 200;
    bool answered = false;
    while (WaitForSingleObject(process.hProcess, pollMs) == WAIT_TIMEOUT) {
        if (GetTickCount() - start >= seconds * 1000) {
            fwprintf(stderr, L"setup-driver: setup did not end within %lu s; stopping it\n", seconds);
            TerminateProcess(process.hProcess, kDriverTimeout);
            CloseHandle(process.hProcess);
            return kDriverTimeout;
        }
        EnumWindows(VisitWindow, reinterpret_cast<LPARAM>(&driver));
        // From the started service on: an answer before it would be another server's.
        if (port != 0 && !answered && driver.stepDone[kStepCount - 2] && HttpAnswers(port)) {
            answered = true;
            Stamp(driver);
            wprintf(L"first HTTP answer on port %u\n", port);
        }
    }
    DWORD exitCode = 0;
    if (!GetExitCodeProcess(process.hProcess, &exitCode))
        exitCode = kDriverNoExitCode;
    CloseHandle(process.hProcess);
    Stamp(driver);
    wprintf(L"setup.exe exit code: %ld\n", static_cast<long>(exitCode));
    // A server that answers only after setup has ended is still timed, for ten seconds.
    for (int i = 0; port != 0 && !answered && i < 1000; ++i) {
        answered = HttpAnswers(port);
        if (answered) {
            Stamp(driver);
            wprintf(L"first HTTP answer on port %u\n", port);
        } else {
            Sleep(10);
        }
    }
    return static_cast<int>(exitCode);
}
