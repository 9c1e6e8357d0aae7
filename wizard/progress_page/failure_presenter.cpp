#include "wizard/progress_page/failure_presenter.h"

#include "base/bounded_text.h"
#include "base/message_ids.h"
#include "base/setup_tools.h"
#include "engine/install_reporter.h"
#include "formats/language/message_box.h"

namespace {

// The system's text for `code` on one line, for the status line.
void OneLineSystemText(DWORD code, wchar_t* text, size_t capacity)
{
    g_setupTools.FormatSystemError(code, text, capacity);
    for (int end = lstrlenW(text);
         end > 0 && (text[end - 1] == L'\r' || text[end - 1] == L'\n' || text[end - 1] == L' ');)
        text[--end] = 0;
}

void StepFailedStatus(const InstallFailure& failure, wchar_t* status, size_t capacity)
{
    wchar_t name[256] = {};
    if (failure.step >= 0 && failure.step < kInstallStepCount)
        FormatMessageId(name, 256, kInstallStepTexts[failure.step]);
    const wchar_t* shownName = name;
    while (*shownName == L' ')
        ++shownName;
    wchar_t systemText[512] = {};
    OneLineSystemText(failure.code, systemText, 512);
    FormatMessageId(status, capacity, kStatusStepFailed, shownName, systemText);
}

void Box(const InstallFailure& failure, FailureTelling& telling)
{
    switch (failure.message) {
    case kStatusCancelled:
        return;
    case kToldByServiceManager:
        telling.ownerless = true;
        // fall through
    case kToldBySystemText:
        g_setupTools.FormatSystemError(failure.code, telling.box, 1024);
        telling.kind = kErrorMessage;
        return;
    case kCertificateFailed: {
        FormatMessageId(telling.box, 1024, kCertificateFailed);
        AppendText(telling.box, L" : ");
        wchar_t systemText[260];
        g_setupTools.FormatSystemError(failure.code, systemText, 260);
        AppendText(telling.box, systemText);
        telling.kind = kWarningMessage;
        return;
    }
    default:
        FormatMessageId(telling.box, 1024, failure.message, failure.argument, failure.detail);
        telling.kind = kWarningMessage;
        return;
    }
}

} // namespace

void TellFailure(const InstallFailure& failure, FailureTelling& telling)
{
    telling = FailureTelling();
    if (failure.message == kStatusCancelled)
        FormatMessageId(telling.status, 512, kStatusCancelled);
    else
        StepFailedStatus(failure, telling.status, 1024);
    Box(failure, telling);
    wchar_t systemText[1024] = {};
    if (failure.code)
        g_setupTools.FormatSystemError(failure.code, systemText, 1024);
    FormatText(telling.log, L"system error %lu %s", failure.code, systemText);
}

void SuccessStatus(wchar_t* text, size_t capacity)
{
    FormatMessageId(text, capacity < 512 ? capacity : 512, kStatusDone);
}
