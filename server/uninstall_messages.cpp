#include "server/uninstall_messages.h"

#include <wctype.h>

#include "base/bounded_text.h"
#include "base/setup_log.h"
#include "base/setup_tools.h"
#include "formats/language/message_box.h"

namespace {

// Why a thing stayed: the reason it was left on purpose, or the system's text for the error.
void WhyItStayed(const LeftThing& thing, wchar_t (&why)[320])
{
    if (thing.error == NO_ERROR) {
        CopyText(why, thing.why);
        return;
    }
    wchar_t reason[260] = {};
    g_setupTools.FormatSystemErrorLine(thing.error, reason, 260, false);
    FormatText(why, L"%s (error %lu)", reason, thing.error);
}

// Adds "- line" as a line of its own to `text`.
template <size_t N>
void AppendListed(wchar_t (&text)[N], const wchar_t* line)
{
    AppendText(text, L"- ");
    AppendText(text, line);
    AppendText(text, L"\n");
}

}  // namespace

void ShowUninstallError(const wchar_t* what, DWORD error)
{
    wchar_t reason[260];
    g_setupTools.FormatSystemError(error, reason, 260);
    wchar_t text[1024];
    FormatText(text, L"%s\n\n%s", what, reason);
    ReportSink().Show(nullptr, text, kErrorMessage);
}

bool AgreesToTakeBack(const TakeBackPlan& plan, bool quiet)
{
    wchar_t lines[kTakeBackLineCapacity][MAX_PATH + 96];
    int count = 0;
    DescribeTakeBack(plan, lines, count);
    wchar_t text[kTakeBackLineCapacity * (MAX_PATH + 100) + 256] = {};
    FormatText(text, L"Velmora Server will be removed from this computer:\n\n");
    for (int line = 0; line < count; ++line) {
        g_setupLog.Line(L"plan: %s", lines[line]);
        AppendListed(text, lines[line]);
    }
    AppendText(text, L"\nWhat cannot be removed stays and is named at the end. Do you want to continue?");
    return quiet || ReportSink().Show(nullptr, text, kCautiousQuestion) == IDYES;
}

void TellWhatStayed(const TakeBackReport& report, bool everythingTakenBack)
{
    wchar_t text[TakeBackReport::kCapacity * (MAX_PATH + 96 + 330) + 256];
    CopyText(text, everythingTakenBack ? L"Velmora Server has been removed from this computer."
                                       : L"Velmora Server could not be removed completely.");
    if (report.Count() > 0)
        AppendText(text, L"\n\nThese stayed on this computer:\n");
    for (int index = 0; index < report.Count(); ++index) {
        const LeftThing& thing = report.At(index);
        wchar_t why[320] = {};
        WhyItStayed(thing, why);
        wchar_t line[MAX_PATH + 96 + 330] = {};
        FormatText(line, L"%s: %s", thing.what, why);
        AppendListed(text, line);
    }
    ReportSink().Show(nullptr, text, everythingTakenBack ? UINT{MB_OK | MB_ICONINFORMATION} : UINT{kErrorMessage});
}
