#include "formats/language/message_box.h"

#include <atomic>

#include "base/setup_log.h"
#include "base/setup_tools.h"

namespace {

const ScreenMessages g_setupScreen(kMessageBoxTitle);
std::atomic<const MessageSink*> g_reportSink{nullptr};
std::atomic<const MessageSink*> g_screenSink{nullptr};

const wchar_t* KindName(UINT style)
{
    switch (style & MB_ICONMASK) {
    case MB_ICONERROR:
        return L"error";
    case MB_ICONWARNING:
        return L"warning";
    case MB_ICONQUESTION:
        return L"question";
    default:
        return L"message";
    }
}

const wchar_t* AnswerName(int button)
{
    switch (button) {
    case 0:
        return L"nobody (not shown)";
    case IDYES:
        return L"Yes";
    case IDNO:
        return L"No";
    case IDCANCEL:
        return L"Cancel";
    default:
        return L"OK";
    }
}

// The system's failures come with their code in the log; the box shows the text alone.
void LogSystemError(DWORD code)
{
    g_setupLog.Line(L"system error %lu (0x%08lX):", code, code);
}

} // namespace

int LoggedMessages::Show(HWND owner, const wchar_t* text, UINT style) const
{
    int button = shown_.Show(owner, text, style);
    g_setupLog.Line(L"box (%s): %s -- answered %s", KindName(style), text, AnswerName(button));
    return button;
}

int ScreenMessages::Show(HWND owner, const wchar_t* text, UINT style) const
{
    return MessageBoxW(owner, text, title_, style);
}

const MessageSink& ReportSink()
{
    const MessageSink* sink = g_reportSink.load();
    return sink ? *sink : g_setupScreen;
}

const MessageSink* SetReportSink(const MessageSink* sink)
{
    return g_reportSink.exchange(sink);
}

const MessageSink& ScreenSink()
{
    const MessageSink* sink = g_screenSink.load();
    return sink ? *sink : g_setupScreen;
}

const MessageSink* SetScreenSink(const MessageSink* sink)
{
    return g_screenSink.exchange(sink);
}

int ShowSystemErrorMessage(HWND owner, UINT style, DWORD code)
{
    wchar_t text[1024] = {};
    g_setupTools.FormatSystemError(code, text, 1024);
    LogSystemError(code);
    return ScreenSink().Show(owner, text, style);
}

// Defined here rather than beside FormatSystemError: the report sink decides whether
// anybody sees it.
void CSetupTools::ShowSystemError(DWORD code) const
{
    wchar_t text[1024] = {};
    FormatSystemError(code, text, 1024);
    LogSystemError(code);
    ReportSink().Show(nullptr, text, kErrorMessage);
}
