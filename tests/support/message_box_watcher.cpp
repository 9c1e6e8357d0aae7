#include "support/message_box_watcher.h"

#include <algorithm>

#include "support/wait_until.h"

namespace {

const int kMessageTextId = 0xFFFF;

bool ClassIs(HWND window, const wchar_t* name)
{
    wchar_t cls[32] = {};
    GetClassNameW(window, cls, 32);
    return lstrcmpiW(cls, name) == 0;
}

BOOL CALLBACK FindChildDialog(HWND child, LPARAM found)
{
    *reinterpret_cast<bool*>(found) = ClassIs(child, L"#32770");
    return !*reinterpret_cast<bool*>(found);
}

BOOL CALLBACK FindIcon(HWND child, LPARAM icon)
{
    if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON || !ClassIs(child, L"Static"))
        return TRUE;
    *reinterpret_cast<HICON*>(icon) = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
    return FALSE;
}

} // namespace

std::wstring WindowText(HWND window)
{
    int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    int got = GetWindowTextW(window, &text[0], length + 1);
    text.resize(static_cast<size_t>(std::max(got, 0)));
    return text;
}

bool IsMessageBoxWindow(HWND window)
{
    if (!ClassIs(window, L"#32770") || !IsWindowVisible(window) || !GetDlgItem(window, kMessageTextId))
        return false;
    bool hasPage = false;
    EnumChildWindows(window, FindChildDialog, reinterpret_cast<LPARAM>(&hasPage));
    return !hasPage;
}

MessageBoxWatcher::MessageBoxWatcher(Answer answer, DWORD processId)
    : answer_(answer ? std::move(answer) : Answer(DefaultAnswer)),
      processId_(processId ? processId : GetCurrentProcessId()),
      stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      thread_(nullptr)
{
    // Started once every member is there.
    thread_ = CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr);
}

MessageBoxWatcher::~MessageBoxWatcher()
{
    SetEvent(stop_);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    CloseHandle(stop_);
}

std::vector<SeenMessageBox> MessageBoxWatcher::Seen() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return seen_;
}

bool MessageBoxWatcher::WaitFor(size_t count, DWORD timeoutMs) const
{
    return WaitUntil([&] { return Seen().size() >= count; }, timeoutMs);
}

int MessageBoxWatcher::DefaultAnswer(const SeenMessageBox& box)
{
    return box.hasButton[IDOK] ? IDOK : box.hasButton[IDCANCEL] ? IDCANCEL : IDNO;
}

DWORD WINAPI MessageBoxWatcher::ThreadProc(void* self)
{
    auto* watcher = static_cast<MessageBoxWatcher*>(self);
    while (WaitForSingleObject(watcher->stop_, 25) == WAIT_TIMEOUT)
        EnumWindows(VisitWindow, reinterpret_cast<LPARAM>(watcher));
    return 0;
}

BOOL CALLBACK MessageBoxWatcher::VisitWindow(HWND window, LPARAM self)
{
    auto* watcher = reinterpret_cast<MessageBoxWatcher*>(self);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == watcher->processId_ && IsMessageBoxWindow(window))
        watcher->Handle(window);
    return TRUE;
}

void MessageBoxWatcher::Handle(HWND window)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        // A box that was answered may take a moment to go away; window handles are not
        // reused that quickly, so one answer per handle is enough.
        if (std::find(answered_.begin(), answered_.end(), window) != answered_.end())
            return;
    }
    SeenMessageBox box;
    box.title = WindowText(window);
    box.text = WindowText(GetDlgItem(window, kMessageTextId));
    box.owner = GetWindow(window, GW_OWNER);
    EnumChildWindows(window, FindIcon, reinterpret_cast<LPARAM>(&box.icon));
    for (int id = IDOK; id <= IDCONTINUE; ++id) {
        HWND button = GetDlgItem(window, id);
        box.hasButton[id] = button && IsWindowVisible(button);
    }
    int choice = answer_(box);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        seen_.push_back(box);
        answered_.push_back(window);
    }
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(choice, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, choice)));
}
