#pragma once
#include <windows.h>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

// What a message box showed, as read from its window.
struct SeenMessageBox
{
    std::wstring title;
    std::wstring text;
    HICON icon = nullptr;    // compare with LoadIconW(nullptr, IDI_ERROR) and the like
    HWND owner = nullptr;
    bool hasButton[IDCONTINUE + 1] = {};  // by command id: IDOK, IDCANCEL, IDYES, IDNO...
};

// Watches for message boxes (in this process, or in the process with the given id) on a
// thread of its own, records each one and answers it by pressing the button that
// `answer` chooses (a command id such as IDOK, IDYES or IDNO). Use it around code that
// may show a box, so that the test neither blocks nor misses the box.
class MessageBoxWatcher
{
public:
    using Answer = std::function<int(const SeenMessageBox&)>;

    explicit MessageBoxWatcher(Answer answer = nullptr, DWORD processId = 0);
    ~MessageBoxWatcher();
    MessageBoxWatcher(const MessageBoxWatcher&) = delete;
    MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

    std::vector<SeenMessageBox> Seen() const;
    // Waits until at least `count` boxes were seen, or the time runs out.
    bool WaitFor(size_t count, DWORD timeoutMs = 10000) const;

    // Presses the box's default answer: OK, else Cancel, else No.
    static int DefaultAnswer(const SeenMessageBox& box);

private:
    static DWORD WINAPI ThreadProc(void* self);
    static BOOL CALLBACK VisitWindow(HWND window, LPARAM self);
    void Handle(HWND box);

    Answer answer_;
    DWORD processId_;
    HANDLE stop_;
    HANDLE thread_;
    mutable std::mutex mutex_;
    std::vector<SeenMessageBox> seen_;
    std::vector<HWND> answered_;
};

// True when `window` is a message box: a top-level dialog with the message text control
// (id 0xFFFF) and no embedded dialog pages (which a property sheet has).
bool IsMessageBoxWindow(HWND window);
std::wstring WindowText(HWND window);
