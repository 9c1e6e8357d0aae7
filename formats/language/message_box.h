#pragma once
#include <windows.h>
#include <stdarg.h>

#include "base/message_title.h"

// Every message box of the setup and the uninstaller: kinds, owners, the texts of the
// current language, and where boxes go when nobody attends the run. It sits beside the
// language because most boxes show one of its texts; the titles stay in base, where the
// settings page still takes its own.

// Buttons and icon by kind of message.
enum MessageKind : UINT
{
    kErrorMessage = MB_OK | MB_ICONERROR,
    kWarningMessage = MB_OK | MB_ICONWARNING,
    kQuestionMessage = MB_YESNO | MB_ICONQUESTION,
    kWarningQuestion = MB_YESNO | MB_ICONWARNING,
    // A question whose "yes" cannot be undone: "no" is the default.
    kCautiousQuestion = MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2,
};

// Owners: a page's box is owned by the page, which makes the wizard's frame its owner and
// keeps the frame disabled while it shows; a question about the whole wizard belongs to
// the active window; a box shown before any window, or by a program without one, has
// none (nullptr).

// Where reports go. The screen shows a box under a fixed title; a run that nobody attends
// (an unattended setup, a quiet removal) plugs in the quiet sink, and tests their own.
class MessageSink
{
public:
    virtual ~MessageSink() = default;
    // Shows `text` with `style` (a MessageKind or MB_ flags); the pressed button, 0 when
    // nobody was there to press one.
    virtual int Show(HWND owner, const wchar_t* text, UINT style) const = 0;
};

class ScreenMessages : public MessageSink
{
public:
    explicit ScreenMessages(const wchar_t* title) : title_(title) {}
    int Show(HWND owner, const wchar_t* text, UINT style) const override;

private:
    const wchar_t* title_;
};

class QuietMessages : public MessageSink
{
public:
    int Show(HWND, const wchar_t*, UINT) const override { return 0; }
};

// Shows through another sink and writes each box, its kind and the answer to the run's
// log: a box that nobody sees must still leave its text where the deployer looks.
class LoggedMessages : public MessageSink
{
public:
    explicit LoggedMessages(const MessageSink& shown) : shown_(shown) {}
    int Show(HWND owner, const wchar_t* text, UINT style) const override;

private:
    const MessageSink& shown_;
};

// The sink of failure reports from code that has no page of its own to ask (the system's
// errors, the installation's messages): the screen under the setup's title until a
// program plugs in another. Any thread may read it; `sink` must outlive its use.
const MessageSink& ReportSink();
// Makes `sink` the report sink (nullptr: the screen again); returns the one before.
const MessageSink* SetReportSink(const MessageSink* sink);

// The sink of the boxes that the setup always shows (a page's question, a start-up
// failure): the screen under the setup's title unless a program logs them too or, when
// nobody at all attends the run, takes them off the screen. Same rules as the report sink.
const MessageSink& ScreenSink();
const MessageSink* SetScreenSink(const MessageSink* sink);

// Message `id` of the current language, formatted with the arguments (bounded, always
// terminated).
void FormatMessageId(wchar_t* text, size_t capacity, UINT id, ...);
void FormatMessageIdV(wchar_t* text, size_t capacity, UINT id, va_list args);

// Shows message `id`, formatted with the arguments, through the screen sink; returns the
// pressed button.
int ShowMessage(HWND owner, UINT style, UINT id, ...);
// The same for the system's text for `code`.
int ShowSystemErrorMessage(HWND owner, UINT style, DWORD code);
