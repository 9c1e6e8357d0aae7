// The failure's cause as a text that says what happened and what to do: which message and
// which arguments each cause gives, and every such message in both languages, taking its
// arguments.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "base/message_ids.h"
#include "engine/failure_text.h"
#include "formats/language/language.h"
#include "formats/language/message_box.h"
#include "support/system_error_text.h"

namespace {

const wchar_t kService[] = L"VelmoraTest";

FailureCause Start(DWORD state, DWORD exitCode, DWORD specific = 0, DWORD startError = 0)
{
    FailureCause cause;
    cause.kind = FailureCauseKind::kServerStart;
    wcscpy(cause.service_name, kService);
    wcscpy(cause.address, L"10.0.0.5");
    cause.service.known = true;
    cause.service.state = state;
    cause.service.win32_exit = exitCode;
    cause.service.specific_exit = specific;
    cause.error = startError;
    return cause;
}

FailureCause Held(DWORD pid, const wchar_t* image, const wchar_t* binding = L"", const wchar_t* reservation = L"")
{
    FailureCause cause = Start(SERVICE_STOPPED, ERROR_SHARING_VIOLATION);
    cause.port.held = true;
    cause.port.process_id = pid;
    wcscpy(cause.port.image, image);
    wcscpy(cause.port.binding, binding);
    wcscpy(cause.port.reservation, reservation);
    return cause;
}

FailureCause NotReady(DWORD waitedMs, DWORD state, DWORD exitCode = 0, DWORD specific = 0)
{
    FailureCause cause = Start(state, exitCode, specific);
    cause.kind = FailureCauseKind::kNotReady;
    cause.service.process_id = state == SERVICE_RUNNING ? 77 : 0;
    cause.waited_ms = waitedMs;
    wcscpy(cause.path, L"C:\\Velmora");
    return cause;
}

FailureCause Certificate(DWORD error)
{
    FailureCause cause;
    cause.kind = FailureCauseKind::kCertificate;
    cause.error = error;
    wcscpy(cause.path, L"D:\\certs\\server.pfx");
    return cause;
}

FailureCause Space(ULONGLONG needed, ULONGLONG free)
{
    FailureCause cause;
    cause.kind = FailureCauseKind::kDiskSpace;
    wcscpy(cause.path, L"E:\\Velmora");
    wcscpy(cause.volume, L"E:\\");
    cause.needed_bytes = needed;
    cause.free_bytes = free;
    return cause;
}

struct Row
{
    const char* name;
    FailureCause cause;
    UINT message;
    std::vector<std::wstring> arguments;
};

std::vector<Row> Rows()
{
    const ULONGLONG mb = 1024 * 1024;
    FailureCause ownServer = Held(4242, L"Velmora.exe");
    ownServer.service.state = SERVICE_START_PENDING;
    ownServer.service.win32_exit = NO_ERROR;
    ownServer.service.process_id = 4242;
    FailureCause unknownService = Start(SERVICE_STOPPED, 0);
    unknownService.service.known = false;
    FailureCause unknownAfterWait = NotReady(5000, SERVICE_RUNNING);
    unknownAfterWait.service.known = false;
    return {
        {"a program listens on the port", Held(1234, L"webserver.exe"), kPortHeldByProgram,
         {L"10.0.0.5", L"webserver.exe", L"1234"}},
        {"... one whose name cannot be read", Held(1234, L""), kPortHeldByProgram, {L"10.0.0.5", L"?", L"1234"}},
        {"... one the system does not name", Held(0, L""), kPortHeldByUnnamed, {L"10.0.0.5"}},
        {"the server's own process, still starting, holds nothing", ownServer, kServiceInState,
         {kService, L"2", L"START_PENDING", L"0"}},
        {"HTTP.sys with another certificate's binding", Held(4, L"System", L"10.0.0.5:443", L"https://+:443/"),
         kPortHeldByHttpBinding, {L"10.0.0.5", L"10.0.0.5:443"}},
        {"HTTP.sys with a reservation", Held(4, L"System", L"", L"https://+:443/owa/"), kPortHeldByHttpReservation,
         {L"10.0.0.5", L"https://+:443/owa/"}},
        {"HTTP.sys for a program not in its configuration", Held(4, L"System"), kPortHeldByHttpService,
         {L"10.0.0.5", L"4"}},
        {"nobody on the port; the service ended with a code", Start(SERVICE_STOPPED, ERROR_SHARING_VIOLATION),
         kServiceEndedWithCode, {kService, L"32", QuotedSystemErrorText(ERROR_SHARING_VIOLATION)}},
        {"... with its own code", Start(SERVICE_STOPPED, ERROR_SERVICE_SPECIFIC_ERROR, 7), kServiceEndedWithOwnCode,
         {kService, L"7"}},
        {"... never ran: the start was refused", Start(SERVICE_STOPPED, NO_ERROR, 0, ERROR_SERVICE_DISABLED),
         kServiceStartRefused, {kService, QuotedSystemErrorText(ERROR_SERVICE_DISABLED)}},
        {"... never ran, as the service manager says", Start(SERVICE_STOPPED, ERROR_SERVICE_NEVER_STARTED, 0,
                                                              ERROR_SERVICE_DISABLED),
         kServiceStartRefused, {kService, QuotedSystemErrorText(ERROR_SERVICE_DISABLED)}},
        {"... never ran, and nothing says why", Start(SERVICE_STOPPED, NO_ERROR), 0, {}},
        {"still starting when the wait ended", Start(SERVICE_START_PENDING, NO_ERROR, 0, ERROR_SERVICE_REQUEST_TIMEOUT),
         kServiceInState, {kService, L"2", L"START_PENDING", L"0"}},
        {"the service manager did not answer", unknownService, 0, {}},
        {"not ready, running", NotReady(180000, SERVICE_RUNNING), kServerNotReadyRunning,
         {L"180", kService, L"77", L"C:\\Velmora\\config\\velmora.cfg"}},
        {"not ready, stopped; part seconds count as whole", NotReady(1201, SERVICE_STOPPED, ERROR_PROCESS_ABORTED),
         kServerNotReadyStopped, {L"2", kService, L"1067", QuotedSystemErrorText(ERROR_PROCESS_ABORTED)}},
        {"not ready, stopped with its own code",
         NotReady(3000, SERVICE_STOPPED, ERROR_SERVICE_SPECIFIC_ERROR, 9), kServerNotReadyStopped,
         {L"3", kService, L"9", QuotedSystemErrorText(ERROR_SERVICE_SPECIFIC_ERROR)}},
        {"not ready, stopped without a code", NotReady(300, SERVICE_STOPPED), kServerEndedBeforeReady,
         {L"1", kService}},
        {"not ready, the service manager did not answer", unknownAfterWait, 0, {}},
        {"a wrong password", Certificate(ERROR_INVALID_PASSWORD), kCertificateWrongPassword,
         {L"D:\\certs\\server.pfx"}},
        {"no server certificate with its key", Certificate(static_cast<DWORD>(CRYPT_E_NOT_FOUND)),
         kCertificateWithoutKey, {L"D:\\certs\\server.pfx"}},
        {"an expired certificate", Certificate(static_cast<DWORD>(CERT_E_EXPIRED)), kCertificateExpired,
         {L"D:\\certs\\server.pfx"}},
        {"a certificate refused for another reason", Certificate(ERROR_ACCESS_DENIED), 0, {}},
        // Needed and missing rounded up, free rounded down: 150 MB and a byte, less 20.5 MB.
        {"too little room", Space(150 * mb + 1, 20 * mb + mb / 2), kDiskTooSmall,
         {L"151", L"E:\\", L"E:\\Velmora", L"20", L"130"}},
        {"no room at all", Space(50 * mb, 0), kDiskTooSmall, {L"50", L"E:\\", L"E:\\Velmora", L"0", L"50"}},
        {"no cause", FailureCause(), 0, {}},
    };
}

// Each row's message formatted in the current language with the arguments the cause gave.
std::wstring Formatted(const FailureText& text)
{
    wchar_t formatted[1024] = {};
    FormatMessageId(formatted, 1024, text.message, text.arguments[0], text.arguments[1], text.arguments[2],
                    text.arguments[3], text.arguments[4]);
    return formatted;
}

// Every argument stands in the text, in its order, and no format field is left.
void ExpectTakesItsArguments(const Row& row, const std::wstring& text)
{
    size_t at = 0;
    for (const std::wstring& argument : row.arguments) {
        size_t found = text.find(argument, at);
        EXPECT_NE(std::wstring::npos, found) << "lacks " << testing::PrintToString(argument);
        if (found != std::wstring::npos)
            at = found + argument.size();
    }
    EXPECT_EQ(std::wstring::npos, text.find(L"%s"));
}

} // namespace

// Each cause's message and arguments, and the message in English taking them.
TEST(FailureText, GivesEachCauseItsMessageAndArguments)
{
    for (const Row& row : Rows()) {
        SCOPED_TRACE(row.name);
        const FailureText text = DescribeFailureCause(row.cause);
        EXPECT_EQ(row.message, text.message);
        for (int i = 0; i < FailureText::kArgumentCount; ++i) {
            const std::wstring expected = i < static_cast<int>(row.arguments.size()) ? row.arguments[i] : L"";
            EXPECT_EQ(expected, text.arguments[i]) << "argument " << i;
        }
        if (row.message != 0)
            ExpectTakesItsArguments(row, Formatted(text));
    }
}

TEST(FailureText, EveryMessageTakesItsArgumentsInRussian)
{
    ASSERT_TRUE(g_language.SelectLanguage(kRussianLocale));
    for (const Row& row : Rows()) {
        if (row.message == 0)
            continue;
        SCOPED_TRACE(row.name);
        // From the Russian resource, not the built-in English table.
        wchar_t stored[512] = {};
        EXPECT_TRUE(g_language.GetString(row.message, stored, 512)) << "no Russian text for " << row.message;
        const std::wstring text = Formatted(DescribeFailureCause(row.cause));
        ExpectTakesItsArguments(row, text);
        EXPECT_NE(std::wstring::npos, text.find_first_of(L"абвгдеёжзийклмнопрстуфхцчшщыьэюя"));
    }
}
