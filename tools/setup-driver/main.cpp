// setup-driver SETUP.EXE [SECONDS] [--timeline PORT] [-- SETUP ARGUMENTS...]
// Starts SETUP.EXE (with the arguments after "--") and does what the person at the screen
// of an unattended run does: presses Next on the welcome page (the one page that waits for
// a person before the installation) and, when an installation ends without success and
// the page waits for Finish, reads its status line and presses Finish. Message boxes are
// printed and answered with their default button. It prints what it waits for, each
// status line of the progress page, and the time left of its own limit (SECONDS, 600 by
// default). Ends with setup's exit code; its own failures end with codes setup never uses
// (kDriver*), so that a stopped or unstarted setup cannot pass for setup's 1 (success) or
// 2 (failed run). With --timeline, every event is stamped with the milliseconds since
// setup started: each page, the end of each installation step (or the step that failed),
// setup's end, and the first HTTP answer on PORT of this machine.
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
const int kFinishButtonId = 0x3025;
// The longest one question to setup's windows may take: a window that does not answer
// within it is looked at again on the next round.
const UINT kAnswerLimitMs = 2000;

const int kStepCount = 7;
const wchar_t* const kStepNames[kStepCount] = {L"prepare", L"extract", L"certificate", L"configure",
                                               L"service", L"start", L"readiness"};

// What the driver waits for, in the order a run goes through them.
enum class Phase
{
    kWindow,      // setup's first window
    kWelcome,     // the welcome page, where it presses Next
    kPages,       // the pages that go on by themselves
    kInstalling,  // the progress page's installation
    kEnd,         // setup's end, after the installation or after Finish
};

const wchar_t* PhaseText(Phase phase)
{
    switch (phase) {
    case Phase::kWindow:
        return L"setup's first window";
    case Phase::kWelcome:
        return L"the welcome page (to press Next)";
    case Phase::kPages:
        return L"the pages that go on by themselves";
    case Phase::kInstalling:
        return L"the installation's steps on the progress page";
    case Phase::kEnd:
        return L"setup to end";
    }
    return L"?";
}

struct Driver
{
    DWORD processId = 0;
    DWORD limitSeconds = 600;
    bool timeline = false;
    DWORD start = 0;
    Phase phase = Phase::kWindow;
    bool welcomeLeft = false;
    bool finishPressed = false;
    HWND currentPage = nullptr;
    std::vector<HWND> answered;
    std::wstring status;
    bool stepDone[kStepCount] = {};
    // The bar jumps to its end when the last step is done and when a step fails: which one
    // it was is known once the run has ended.
    bool barFull = false;
    DWORD barFullAt = 0;
    bool endTold = false;
};

// Prints the time since setup started when timing, nothing otherwise.
void Stamp(const Driver& driver, DWORD at = 0)
{
    if (driver.timeline)
        wprintf(L"%7lu ms  ", (at ? at : GetTickCount()) - driver.start);
}

void Enter(Driver& driver, Phase phase)
{
    if (driver.phase == phase)
        return;
    driver.phase = phase;
    const DWORD elapsed = (GetTickCount() - driver.start) / 1000;
    Stamp(driver);
    wprintf(L"setup-driver: waiting for %ls (%lu s left of %lu s)\n", PhaseText(phase),
            driver.limitSeconds > elapsed ? driver.limitSeconds - elapsed : 0, driver.limitSeconds);
    fflush(stdout);
}

// The steps the bar has passed before its end, printed as they come.
void FollowSteps(Driver& driver, int position)
{
    if (position >= 100) {
        if (!driver.barFull)
            driver.barFullAt = GetTickCount();
        driver.barFull = true;
        return;
    }
    for (int step = 0; step < kStepCount; ++step) {
        if (driver.stepDone[step] || position < (step + 1) * 100 / kStepCount)
            continue;
        driver.stepDone[step] = true;
        Stamp(driver);
        wprintf(L"step %ls done\n", kStepNames[step]);
        fflush(stdout);
    }
}

// Once the run's end is known: the steps after the last one seen were done, or the first
// of them failed. Told once, at the time the bar reached its end.
void TellEnd(Driver& driver, bool succeeded)
{
    if (driver.endTold)
        return;
    driver.endTold = true;
    for (int step = 0; step < kStepCount; ++step) {
        if (driver.stepDone[step])
            continue;
        Stamp(driver, driver.barFull ? driver.barFullAt : 0);
        wprintf(L"step %ls %ls\n", kStepNames[step], succeeded ? L"done" : L"failed");
        if (!succeeded)
            break;
    }
    fflush(stdout);
}

// True when something answers an HTTP request on the port of this machine within a
// second (to connect) and a second (to answer).
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
    setsockopt(connection, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&timeoutMs), sizeof(timeoutMs));
    // Nor one whose queue is full, which leaves a blocking connect waiting for minutes.
    u_long nonBlocking = 1;
    ioctlsocket(connection, FIONBIO, &nonBlocking);
    bool connected = connect(connection, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    if (!connected && WSAGetLastError() == WSAEWOULDBLOCK) {
        fd_set writable, failed;
        FD_ZERO(&writable);
        FD_ZERO(&failed);
        FD_SET(connection, &writable);
        FD_SET(connection, &failed);
        timeval limit = {1, 0};
        connected = select(0, nullptr, &writable, &failed, &limit) == 1 && FD_ISSET(connection, &writable);
    }
    nonBlocking = 0;
    ioctlsocket(connection, FIONBIO, &nonBlocking);
    bool answered = false;
    if (connected) {
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

// Asks a window of setup's; false when it does not answer in time.
bool Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR& answer)
{
    return SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kAnswerLimitMs, &answer) != 0;
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
    DWORD_PTR defaultId = 0;
    WORD button = Ask(box, DM_GETDEFID, 0, 0, defaultId) && HIWORD(defaultId) == DC_HASDEFID
                      ? LOWORD(defaultId) : IDOK;
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
    driver.answered.push_back(box);
}

bool ButtonOffered(HWND wizard, int id)
{
    HWND button = GetDlgItem(wizard, id);
    return button && IsWindowVisible(button) && IsWindowEnabled(button);
}

// The progress page: its status line as it changes, its steps, and its end. An
// installation that ended without success waits on the page for the person to press
// Finish; the driver does, after telling the status.
void FollowProgress(Driver& driver, HWND wizard, HWND page)
{
    Enter(driver, Phase::kInstalling);
    DWORD_PTR position = 0;
    HWND bar = GetDlgItem(page, IDC_PROGRESS_BAR);
    if (bar && Ask(bar, PBM_GETPOS, 0, 0, position))
        FollowSteps(driver, static_cast<int>(position));
    wchar_t status[512] = {};
    DWORD_PTR length = 0;
    HWND statusLine = GetDlgItem(page, IDC_PROGRESS_STATUS);
    if (statusLine && Ask(statusLine, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(status), length) &&
        driver.status != status) {
        driver.status = status;
        Stamp(driver);
        wprintf(L"status: %ls\n", status);
        fflush(stdout);
    }
    if (driver.finishPressed || !ButtonOffered(wizard, kFinishButtonId) || IsWindowEnabled(GetDlgItem(wizard, IDCANCEL)))
        return;
    // An unattended run that succeeds closes by itself: one that offers Finish did not.
    TellEnd(driver, false);
    Stamp(driver);
    wprintf(L"setup-driver: the installation ended without success and waits for Finish; pressing it\n");
    fflush(stdout);
    PostMessageW(wizard, PSM_PRESSBUTTON, PSBTN_FINISH, 0);
    driver.finishPressed = true;
    Enter(driver, Phase::kEnd);
}

// Reports each page as it comes, so that a run that stops shows where.
void FollowWizard(Driver& driver, HWND wizard, HWND page)
{
    DWORD_PTR index = 0;
    if (!Ask(wizard, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(page), 0, index))
        return;
    if (page != driver.currentPage) {
        driver.currentPage = page;
        Stamp(driver);
        wprintf(L"wizard page %ld\n", static_cast<long>(index));
        fflush(stdout);
    }
    if (GetDlgItem(page, IDC_PROGRESS_BAR)) {
        FollowProgress(driver, wizard, page);
        return;
    }
    if (index != 0) {
        Enter(driver, Phase::kPages);
        return;
    }
    Enter(driver, Phase::kWelcome);
    if (driver.welcomeLeft)
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
    if (Ask(window, PSM_GETCURRENTPAGEHWND, 0, 0, page) && page)
        FollowWizard(driver, window, reinterpret_cast<HWND>(page));
    else if (GetDlgItem(window, kMessageTextId))
        AnswerMessageBox(driver, window);
    return TRUE;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) {
        fwprintf(stderr, L"usage: setup-driver SETUP.EXE [SECONDS] [--timeline PORT] [-- SETUP ARGUMENTS...]\n");
        return kDriverUsage;
    }
    Driver driver;
    unsigned short port = 0;
    std::wstring setupArguments;
    for (int i = 2; i < argc; ++i) {
        if (wcscmp(argv[i], L"--") == 0) {
            for (++i; i < argc; ++i)
                setupArguments += L" " + std::wstring(argv[i]);
            break;
        }
        if (wcscmp(argv[i], L"--timeline") == 0 && i + 1 < argc)
            port = static_cast<unsigned short>(wcstoul(argv[++i], nullptr, 10));
        else
            driver.limitSeconds = wcstoul(argv[i], nullptr, 10);
    }
    WSADATA winsock;
    if (port != 0 && WSAStartup(MAKEWORD(2, 2), &winsock) != 0)
        port = 0;
    std::wstring commandLine = L"\"" + std::wstring(argv[1]) + L"\"" + setupArguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    driver.start = GetTickCount();
    driver.timeline = port != 0;
    if (!CreateProcessW(argv[1], &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        fwprintf(stderr, L"setup-driver: cannot start %ls (error %lu)\n", argv[1], GetLastError());
        return kDriverCannotStart;
    }
    CloseHandle(process.hThread);
    wprintf(L"setup-driver: started setup (process %lu); waiting for %ls (at most %lu s in all)\n",
            process.dwProcessId, PhaseText(driver.phase), driver.limitSeconds);
    fflush(stdout);
    driver.processId = process.dwProcessId;

    // Timing looks every 20 ms; otherwise 200 ms is quick enough for a person's pace.
    DWORD pollMs = port != 0 ? 20 : 200;
    bool answered = false;
    while (WaitForSingleObject(process.hProcess, pollMs) == WAIT_TIMEOUT) {
        if (GetTickCount() - driver.start >= driver.limitSeconds * 1000) {
            fwprintf(stderr, L"setup-driver: setup did not end within %lu s while the driver waited for %ls; "
                             L"stopping it\n", driver.limitSeconds, PhaseText(driver.phase));
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
    TellEnd(driver, exitCode == 1);
    Stamp(driver);
    wprintf(L"setup.exe exit code: %ld\n", static_cast<long>(exitCode));
    // A server that answers only after setup has ended is still timed, for ten seconds.
    const DWORD lastLook = GetTickCount();
    while (port != 0 && !answered && exitCode == 1 && GetTickCount() - lastLook < 10000) {
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
