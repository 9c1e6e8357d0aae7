#include "engine/failure_points.h"

#include "base/bounded_text.h"
#include "base/message_ids.h"
#include "engine/install_reporter.h"

namespace {

struct PointRule
{
    int step;
    DWORD code;         // when the operation left no code of its own, or always (`fixed`)
    bool fixed;         // the point itself is the reason, whatever the last error says
    UINT message;
    bool endsOnCancel;  // the operation stops early when a cancel is asked
};

// In the order of FailurePoint.
const PointRule kRules[] = {
    {kStepPrepare, ERROR_FILENAME_EXCED_RANGE, false, kToldBySystemText, false},
    {kStepPrepare, ERROR_GEN_FAILURE, false, kToldBySystemText, false},
    {kStepPrepare, ERROR_GEN_FAILURE, false, kToldBySystemText, false},
    {kStepPrepare, ERROR_PATH_NOT_FOUND, false, kNoProgramGroup, false},
    {kStepPrepare, ERROR_WRITE_FAULT, false, kToldBySystemText, false},
    {kStepPrepare, ERROR_ALREADY_EXISTS, true, kToldBySystemText, false},
    {kStepPrepare, ERROR_CANNOT_MAKE, false, kToldBySystemText, false},
    {kStepExtract, ERROR_WRITE_FAULT, false, kToldBySystemText, false},
    {kStepExtract, ERROR_INVALID_DATA, false, kToldBySystemText, true},
    {kStepExtract, ERROR_WRITE_FAULT, false, kToldBySystemText, false},
    {kStepCertificate, static_cast<DWORD>(CRYPT_E_NOT_FOUND), false, kCertificateFailed, false},
    {kStepCertificate, ERROR_GEN_FAILURE, false, kCertificateFailed, false},
    {kStepConfigure, ERROR_WRITE_FAULT, false, kToldBySystemText, false},
    {kStepService, ERROR_GEN_FAILURE, false, kToldByServiceManager, false},
    {kStepService, ERROR_SERVICE_EXISTS, true, kToldBySystemText, false},
    {kStepService, ERROR_GEN_FAILURE, false, kToldBySystemText, false},
    {kStepStart, ERROR_SERVICE_NOT_ACTIVE, false, kServerNotStarted, true},
    {kStepInitialize, ERROR_PROCESS_ABORTED, true, kInitializationFailed, false},
    {kStepInitialize, ERROR_TIMEOUT, true, kInitializationFailed, false},
};
static_assert(sizeof(kRules) / sizeof(kRules[0]) == static_cast<size_t>(FailurePoint::kServerNotReady) + 1,
              "one rule for each failure point");

} // namespace

InstallFailure CancelledAt(int step)
{
    InstallFailure failure;
    failure.step = step;
    failure.code = ERROR_CANCELLED;
    failure.message = kStatusCancelled;
    return failure;
}

InstallFailure FailureAt(FailurePoint point, const FailureFacts& facts)
{
    const PointRule& rule = kRules[static_cast<int>(point)];
    if (rule.endsOnCancel && facts.cancelled)
        return CancelledAt(rule.step);
    InstallFailure failure;
    failure.step = rule.step;
    failure.code = rule.fixed || facts.error == 0 ? rule.code : facts.error;
    failure.message = rule.message;
    if (point == FailurePoint::kPayload && facts.corrupt)
        failure.message = kArchiveCorruptedMessage;
    // Only a name that another program holds is this run's to name; any other failure to
    // make the event is the system's to tell.
    if (point == FailurePoint::kReadinessEvent && failure.code == ERROR_ALREADY_EXISTS) {
        failure.message = kReadinessNameHeld;
        CopyText(failure.argument, facts.argument);
    }
    return failure;
}
