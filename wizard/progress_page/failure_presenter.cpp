#include "wizard/progress_page/failure_presenter.h"

#include "base/bounded_text.h"
#include "base/message_ids.h"
#include "base/setup_tools.h"
#include "engine/failure_text.h"
#include "engine/install_reporter.h"
#include "formats/language/message_box.h"

namespace {

// The status line: the step, and what its failure says (the system's text, or the cause's).
void StepFailedStatus(const InstallFailure& failure, const wchar_t* said, wchar_t* status, size_t capacity)
{
    wchar_t name[256] = {};
    if (failure.step >= 0 && failure.step < kInstallStepCount)
        FormatMessageId(name, 256, kInstallStepTexts[failure.step]);
    const wchar_t* shownName = name;
    while (*shownName == L' ')
        ++shownName;
    FormatMessageId(status, capacity, kStatusStepFailed, shownName, said);
}

// The text of the failure's cause, when the cause says more than the code: the same words
// go into the status line, the box and the log.
bool CauseText(const InstallFailure& failure, wchar_t* text, size_t capacity)
{
    const FailureText cause = DescribeFailureCause(failure.cause);
    if (cause.message == 0 || failure.message == kStatusCancelled)
        return false;
    FormatMessageId(text, capacity, cause.message, cause.arguments[0], cause.arguments[1], cause.arguments[2],
                    cause.arguments[3], cause.arguments[4]);
    return true;
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
    wchar_t cause[1024] = {};
    if (CauseText(failure, cause, 1024)) {
        StepFailedStatus(failure, cause, telling.status, 1024);
        CopyText(telling.box, cause);
        telling.kind = kWarningMessage;
        wchar_t oneLine[512] = {};
        g_setupTools.FormatSystemErrorLine(failure.code, oneLine, 512, false);
        FormatText(telling.log, L"%s (system error %lu %s)", cause, failure.code, oneLine);
        return;
    }
    if (failure.message == kStatusCancelled) {
        FormatMessageId(telling.status, 512, kStatusCancelled);
    } else {
        wchar_t oneLine[512] = {};
        g_setupTools.FormatSystemErrorLine(failure.code, oneLine, 512, false);
        StepFailedStatus(failure, oneLine, telling.status, 1024);
    }
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
