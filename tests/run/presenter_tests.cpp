// The one presenter of an installation's failures: status line, box, box kind and owner,
// and the log's account, for each way a failure is told.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "base/message_ids.h"
#include "engine/install_reporter.h"
#include "formats/language/language.h"
#include "formats/language/message_box.h"
#include "support/system_error_text.h"
#include "wizard/progress_page/failure_presenter.h"

namespace {

InstallFailure Failure(int step, DWORD code, UINT message, const wchar_t* argument = L"")
{
    InstallFailure failure;
    failure.step = step;
    failure.code = code;
    failure.message = message;
    wcscpy(failure.argument, argument);
    return failure;
}

std::wstring Status(const wchar_t* step, DWORD code)
{
    return std::wstring(L"Step \"") + step + L"\" failed: " + SystemErrorText(code);
}

TEST(FailurePresenter, TellsEachFailureWithItsTextBoxKindAndOwner)
{
    const std::wstring cancelled = L"Installation cancelled. Click the \"Finish\" button to exit";
    struct Case
    {
        InstallFailure failure;
        std::wstring status;
        std::wstring box;  // empty: none
        UINT kind;
        bool ownerless;
    } cases[] = {
        {Failure(kStepExtract, ERROR_CANCELLED, kStatusCancelled), cancelled, L"", 0, false},
        {Failure(kStepPrepare, ERROR_PATH_NOT_FOUND, kNoProgramGroup),
         Status(L"Create directories and program group", ERROR_PATH_NOT_FOUND),
         L"Failed to create a group in the Start menu", kWarningMessage, false},
        {Failure(kStepPrepare, ERROR_FILENAME_EXCED_RANGE, kToldBySystemText),
         Status(L"Create directories and program group", ERROR_FILENAME_EXCED_RANGE),
         SystemErrorText(ERROR_FILENAME_EXCED_RANGE), kErrorMessage, false},
        {Failure(kStepExtract, ERROR_INVALID_DATA, kArchiveCorruptedMessage),
         Status(L"Extract files", ERROR_INVALID_DATA), L"Archive file is corrupted", kWarningMessage, false},
        {Failure(kStepCertificate, ERROR_ACCESS_DENIED, kCertificateFailed),
         Status(L"Install Certificate", ERROR_ACCESS_DENIED),
         L"Failed to install the certificate : " + SystemErrorText(ERROR_ACCESS_DENIED), kWarningMessage, false},
        {Failure(kStepService, ERROR_INVALID_NAME, kToldByServiceManager),
         Status(L"Install Service", ERROR_INVALID_NAME), SystemErrorText(ERROR_INVALID_NAME), kErrorMessage, true},
        {Failure(kStepStart, ERROR_SERVICE_DISABLED, kServerNotStarted),
         Status(L"Start server", ERROR_SERVICE_DISABLED), L"Failed to start Velmora server", kWarningMessage, false},
        {Failure(kStepInitialize, ERROR_TIMEOUT, kInitializationFailed),
         Status(L"Initialize (this can take several minutes)", ERROR_TIMEOUT), L"Velmora server initialization error",
         kWarningMessage, false},
        {Failure(kStepPrepare, ERROR_ALREADY_EXISTS, kReadinessNameHeld, L"Global\\0123"),
         Status(L"Create directories and program group", ERROR_ALREADY_EXISTS),
         L"Another program holds the name \"Global\\0123\" through which the installed server reports that it is "
         L"ready. End that program, then start the setup again.",
         kWarningMessage, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "step " << c.failure.step << ", message " << c.failure.message);
        FailureTelling telling;
        TellFailure(c.failure, telling);
        EXPECT_EQ(c.status, telling.status);
        EXPECT_EQ(c.box, TrimmedText(telling.box));
        if (!c.box.empty()) {
            EXPECT_EQ(c.kind, telling.kind);
            EXPECT_EQ(c.ownerless, telling.ownerless);
        }
        EXPECT_EQ(L"system error " + std::to_wstring(c.failure.code) + L" " + SystemErrorText(c.failure.code),
                  TrimmedText(telling.log));
    }
    wchar_t done[512] = {};
    SuccessStatus(done, 512);
    EXPECT_STREQ(L"Installation successfully completed. Click the \"Finish\" button to exit", done);
}

// A failure whose cause is known says it in the status line, the box and the log alike,
// in place of the step's general message; a cancel stays a cancel whatever was gathered.
TEST(FailurePresenter, TellsTheCauseAlikeInStatusBoxAndLog)
{
    InstallFailure failure = Failure(kStepStart, ERROR_SHARING_VIOLATION, kServerNotStarted);
    failure.cause.kind = FailureCauseKind::kServerStart;
    wcscpy(failure.cause.address, L"0.0.0.0");
    failure.cause.port.held = true;
    failure.cause.port.process_id = 1234;
    wcscpy(failure.cause.port.image, L"webserver.exe");
    const std::wstring said = L"Port 443 of the address 0.0.0.0 is taken by the program \"webserver.exe\" (process "
                              L"1234), so the Velmora Server could not start. End that program or make it use another "
                              L"port, or choose another IP address, then run Setup again.";
    FailureTelling telling;
    TellFailure(failure, telling);
    EXPECT_EQ(L"Step \"Start server\" failed: " + said, telling.status);
    EXPECT_EQ(said, telling.box);
    EXPECT_EQ(static_cast<UINT>(kWarningMessage), telling.kind);
    EXPECT_FALSE(telling.ownerless);
    EXPECT_EQ(said + L" (system error 32 " + SystemErrorText(ERROR_SHARING_VIOLATION) + L")",
              TrimmedText(telling.log));

    failure.message = kStatusCancelled;
    failure.code = ERROR_CANCELLED;
    TellFailure(failure, telling);
    EXPECT_STREQ(L"Installation cancelled. Click the \"Finish\" button to exit", telling.status);
    EXPECT_STREQ(L"", telling.box);

    // What the cause cannot tell more of stays the step's own message.
    failure = Failure(kStepStart, ERROR_SERVICE_DISABLED, kServerNotStarted);
    failure.cause.kind = FailureCauseKind::kServerStart;
    TellFailure(failure, telling);
    EXPECT_STREQ(L"Failed to start Velmora server", telling.box);
}

// Every text comes from the current language: in Russian, the status line names the step
// in Russian and the box says the Russian message.
TEST(FailurePresenter, TellsInRussian)
{
    ASSERT_TRUE(g_language.SelectLanguage(kRussianLocale));
    wchar_t step[256] = {}, format[512] = {}, message[512] = {};
    ASSERT_TRUE(g_language.GetString(kStepStartText, step, 256));
    ASSERT_TRUE(g_language.GetString(kStatusStepFailed, format, 512));
    ASSERT_TRUE(g_language.GetString(kServerNotStarted, message, 512));
    FailureTelling telling;
    TellFailure(Failure(kStepStart, ERROR_SERVICE_DISABLED, kServerNotStarted), telling);
    const wchar_t* name = step;
    while (*name == L' ')
        ++name;
    const std::wstring status = telling.status;
    EXPECT_NE(std::wstring::npos, status.find(name)) << status;
    EXPECT_NE(std::wstring::npos, status.find(SystemErrorText(ERROR_SERVICE_DISABLED)));
    EXPECT_EQ(std::wstring::npos, status.find(L"Start server"));
    EXPECT_EQ(std::wstring::npos, status.find(L"failed"));
    EXPECT_STREQ(message, telling.box);
    EXPECT_NE(std::wstring(L"Failed to start Velmora server"), telling.box);
    EXPECT_EQ(static_cast<UINT>(kWarningMessage), telling.kind);
}

} // namespace
