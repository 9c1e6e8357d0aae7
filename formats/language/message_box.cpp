#include "formats/language/message_box.h"

#include <atomic>

#include "base/setup_tools.h"

namespace {

const ScreenMessages g_setupScreen(kMessageBoxTitle);
std::atomic<const MessageSink*> g_reportSink{nullptr};

} // namespace

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

int ShowSystemErrorMessage(HWND owner, UINT style, DWORD code)
{
    wchar_t text[1024] = {};
    g_setupTools.FormatSystemError(code, text, 1024);
    return g_setupScreen.Show(owner, text, style);
}

// Defined here rather than beside FormatSystemError: the report sink decides whether
// anybody sees it.
void CSetupTools::ShowSystemError(DWORD code) const
{
    wchar_t text[1024] = {};
    FormatSystemError(code, text, 1024);
    ReportSink().Show(nullptr, text, kErrorMessage);
}
