// Where the installation fails, what it reports: the step, the code and how the user is
// told, for every failure point, with and without a code of the system's own, and with a
// cancel asked meanwhile.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "base/message_ids.h"
#include "engine/failure_points.h"
#include "engine/install_reporter.h"

namespace {

using P = FailurePoint;

struct Row
{
    const char* what;
    FailurePoint point;
    DWORD error;
    bool cancelled;
    int step;
    DWORD code;
    UINT message;
    const wchar_t* argument = L"";
    bool corrupt = false;
};

const UINT kSystem = kToldBySystemText;
const DWORD kNotFound = static_cast<DWORD>(CRYPT_E_NOT_FOUND);

// A failure without a code of its own gets the point's, never 0.
const Row kRows[] = {
    {"a path that would not fit", P::kLayout, 0, false, kStepPrepare, ERROR_FILENAME_EXCED_RANGE, kSystem},
    {"... the system's code", P::kLayout, ERROR_BUFFER_OVERFLOW, false, kStepPrepare, ERROR_BUFFER_OVERFLOW, kSystem},
    {"no name for the readiness event", P::kReadinessName, 0, false, kStepPrepare, ERROR_GEN_FAILURE, kSystem},
    // Only a name that another program holds is named.
    {"the readiness name held", P::kReadinessEvent, ERROR_ALREADY_EXISTS, false, kStepPrepare, ERROR_ALREADY_EXISTS,
     kReadinessNameHeld, L"Global\\held"},
    {"the readiness event refused", P::kReadinessEvent, ERROR_ACCESS_DENIED, false, kStepPrepare, ERROR_ACCESS_DENIED,
     kSystem},
    {"... without a code", P::kReadinessEvent, 0, false, kStepPrepare, ERROR_GEN_FAILURE, kSystem},
    {"no program group", P::kProgramGroup, 0, false, kStepPrepare, ERROR_PATH_NOT_FOUND, kNoProgramGroup},
    {"... refused", P::kProgramGroup, ERROR_ACCESS_DENIED, false, kStepPrepare, ERROR_ACCESS_DENIED, kNoProgramGroup},
    {"the record refused", P::kRecord, ERROR_ACCESS_DENIED, false, kStepPrepare, ERROR_ACCESS_DENIED, kSystem},
    {"... without a code", P::kRecord, 0, false, kStepPrepare, ERROR_WRITE_FAULT, kSystem},
    // The name taken is the reason, whatever the last call left.
    {"the backup's name taken", P::kBackupThere, ERROR_FILE_NOT_FOUND, false, kStepPrepare, ERROR_ALREADY_EXISTS,
     kSystem},
    {"no backup folder", P::kBackup, 0, false, kStepPrepare, ERROR_CANNOT_MAKE, kSystem},
    {"no list of the run's files", P::kRunList, 0, false, kStepExtract, ERROR_WRITE_FAULT, kSystem},
    {"a file in use", P::kPayload, ERROR_SHARING_VIOLATION, false, kStepExtract, ERROR_SHARING_VIOLATION, kSystem},
    {"a damaged archive", P::kPayload, 0, false, kStepExtract, ERROR_INVALID_DATA, kArchiveCorruptedMessage, L"", true},
    // The unpacking stops on a cancel: what it failed of is the cancel.
    {"a cancel while unpacking", P::kPayload, ERROR_OPERATION_ABORTED, true, kStepExtract, ERROR_CANCELLED,
     kStatusCancelled},
    {"... the archive looking damaged", P::kPayload, 0, true, kStepExtract, ERROR_CANCELLED, kStatusCancelled, L"",
     true},
    {"no first-start file", P::kStartFile, ERROR_DISK_FULL, false, kStepExtract, ERROR_DISK_FULL, kSystem},
    {"no trust list", P::kTrustList, 0, false, kStepCertificate, kNotFound, kCertificateFailed},
    {"a refused binding", P::kBinding, ERROR_ACCESS_DENIED, false, kStepCertificate, ERROR_ACCESS_DENIED,
     kCertificateFailed},
    {"... without a code", P::kBinding, 0, false, kStepCertificate, ERROR_GEN_FAILURE, kCertificateFailed},
    // A step that does not wait is not ended by a cancel: its failure stands.
    {"... a cancel asked meanwhile", P::kBinding, ERROR_ACCESS_DENIED, true, kStepCertificate, ERROR_ACCESS_DENIED,
     kCertificateFailed},
    {"no configuration", P::kConfiguration, 0, false, kStepConfigure, ERROR_WRITE_FAULT, kSystem},
    {"a service name the system refuses", P::kServiceCreate, ERROR_INVALID_NAME, false, kStepService,
     ERROR_INVALID_NAME, kToldByServiceManager},
    {"another program's service", P::kServiceForeign, 0, false, kStepService, ERROR_SERVICE_EXISTS, kSystem},
    {"the service's command not rewritten", P::kServiceCommand, 0, false, kStepService, ERROR_GEN_FAILURE, kSystem},
    {"a disabled service", P::kServerStart, ERROR_SERVICE_DISABLED, false, kStepStart, ERROR_SERVICE_DISABLED,
     kServerNotStarted},
    {"... stopped without a code", P::kServerStart, 0, false, kStepStart, ERROR_SERVICE_NOT_ACTIVE, kServerNotStarted},
    {"a cancel while it starts", P::kServerStart, 0, true, kStepStart, ERROR_CANCELLED, kStatusCancelled},
    {"the server's process gone", P::kServerGone, 0, false, kStepInitialize, ERROR_PROCESS_ABORTED,
     kInitializationFailed},
    {"the server never ready", P::kServerNotReady, ERROR_IO_PENDING, false, kStepInitialize, ERROR_TIMEOUT,
     kInitializationFailed},
};

TEST(FailurePoints, EachPointReportsItsStepCodeAndMessage)
{
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.what);
        FailureFacts facts;
        facts.error = row.error;
        facts.cancelled = row.cancelled;
        facts.corrupt = row.corrupt;
        facts.argument = L"Global\\held";
        const InstallFailure failure = FailureAt(row.point, facts);
        EXPECT_EQ(row.step, failure.step);
        EXPECT_EQ(row.code, failure.code);
        EXPECT_EQ(row.message, failure.message);
        EXPECT_EQ(std::wstring(row.argument), failure.argument);
        EXPECT_EQ(std::wstring(), failure.detail);
    }
    const InstallFailure cancelled = CancelledAt(kStepService);
    EXPECT_EQ(kStepService, cancelled.step);
    EXPECT_EQ(static_cast<DWORD>(ERROR_CANCELLED), cancelled.code);
    EXPECT_EQ(static_cast<UINT>(kStatusCancelled), cancelled.message);
}

} // namespace
