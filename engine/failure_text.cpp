#include "engine/failure_text.h"

#include <winsock2.h>

#include "base/bounded_text.h"
#include "base/message_ids.h"
#include "base/setup_tools.h"

namespace {

const ULONGLONG kMegabyte = 1024 * 1024;

// The service manager's names of the states, as its own tools print them.
const wchar_t* StateName(DWORD state)
{
    switch (state) {
    case SERVICE_STOPPED:
        return L"STOPPED";
    case SERVICE_START_PENDING:
        return L"START_PENDING";
    case SERVICE_STOP_PENDING:
        return L"STOP_PENDING";
    case SERVICE_RUNNING:
        return L"RUNNING";
    case SERVICE_CONTINUE_PENDING:
        return L"CONTINUE_PENDING";
    case SERVICE_PAUSE_PENDING:
        return L"PAUSE_PENDING";
    case SERVICE_PAUSED:
        return L"PAUSED";
    default:
        return L"?";
    }
}

// The system's text for `code` on one line, without its full stop: a message goes on after it.
void SystemText(DWORD code, wchar_t* text)
{
    g_setupTools.FormatSystemErrorLine(code, text, MAX_PATH, true);
}

void Number(ULONGLONG value, wchar_t* text)
{
    FormatText(text, MAX_PATH, L"%I64u", value);
}

// The service's own exit code when it gave one, else the system's code it ended with.
DWORD ExitCodeOf(const ServiceExit& service)
{
    return service.win32_exit == ERROR_SERVICE_SPECIFIC_ERROR ? service.specific_exit : service.win32_exit;
}

FailureText PortHeld(const FailureCause& cause)
{
    FailureText text;
    CopyText(text.arguments[0], MAX_PATH, cause.address);
    const PortHolding& port = cause.port;
    const bool systemHttp = port.process_id == kSystemProcessId;
    if (systemHttp && port.binding[0]) {
        text.message = kPortHeldByHttpBinding;
        CopyText(text.arguments[1], MAX_PATH, port.binding);
    } else if (systemHttp && port.reservation[0]) {
        text.message = kPortHeldByHttpReservation;
        CopyText(text.arguments[1], MAX_PATH, port.reservation);
    } else if (systemHttp) {
        text.message = kPortHeldByHttpService;
        Number(port.process_id, text.arguments[1]);
    } else if (port.process_id == 0) {
        text.message = kPortHeldByUnnamed;
    } else {
        text.message = kPortHeldByProgram;
        CopyText(text.arguments[1], MAX_PATH, port.image[0] ? port.image : L"?");
        Number(port.process_id, text.arguments[2]);
    }
    return text;
}

FailureText ServerDidNotStart(const FailureCause& cause)
{
    FailureText text;
    // The server's own process, while it is still starting, holds nothing from itself.
    if (cause.port.held && (cause.port.process_id == 0 || cause.port.process_id != cause.service.process_id))
        return PortHeld(cause);
    if (!cause.service.known)
        return text;
    const ServiceExit& service = cause.service;
    CopyText(text.arguments[0], MAX_PATH, cause.service_name);
    if (service.state == SERVICE_STOPPED && service.win32_exit == ERROR_SERVICE_SPECIFIC_ERROR) {
        text.message = kServiceEndedWithOwnCode;
        Number(service.specific_exit, text.arguments[1]);
    } else if (service.state == SERVICE_STOPPED && service.win32_exit != NO_ERROR &&
               service.win32_exit != ERROR_SERVICE_NEVER_STARTED) {
        text.message = kServiceEndedWithCode;
        Number(service.win32_exit, text.arguments[1]);
        SystemText(service.win32_exit, text.arguments[2]);
    } else if (service.state == SERVICE_STOPPED) {
        // It never ran: the start call's refusal (a disabled service, a missing program) is why.
        if (cause.error == NO_ERROR)
            return FailureText();
        text.message = kServiceStartRefused;
        SystemText(cause.error, text.arguments[1]);
    } else {
        text.message = kServiceInState;
        Number(service.state, text.arguments[1]);
        CopyText(text.arguments[2], MAX_PATH, StateName(service.state));
        Number(ExitCodeOf(service), text.arguments[3]);
    }
    return text;
}

FailureText NotReady(const FailureCause& cause)
{
    FailureText text;
    if (!cause.service.known)
        return text;
    Number((cause.waited_ms + 999) / 1000, text.arguments[0]);
    CopyText(text.arguments[1], MAX_PATH, cause.service_name);
    if (cause.service.state == SERVICE_RUNNING) {
        text.message = kServerNotReadyRunning;
        Number(cause.service.process_id, text.arguments[2]);
        FormatText(text.arguments[3], MAX_PATH, L"%s\\config\\velmora.cfg", cause.path);
    } else if (cause.service.win32_exit == NO_ERROR) {
        text.message = kServerEndedBeforeReady;
    } else {
        text.message = kServerNotReadyStopped;
        Number(ExitCodeOf(cause.service), text.arguments[2]);
        SystemText(cause.service.win32_exit, text.arguments[3]);
    }
    return text;
}

FailureText CertificateRefused(const FailureCause& cause)
{
    FailureText text;
    switch (cause.error) {
    case ERROR_INVALID_PASSWORD:
        text.message = kCertificateWrongPassword;
        break;
    case static_cast<DWORD>(CRYPT_E_NOT_FOUND):
        text.message = kCertificateWithoutKey;
        break;
    case static_cast<DWORD>(CERT_E_EXPIRED):
        text.message = kCertificateExpired;
        break;
    default:
        return text;
    }
    CopyText(text.arguments[0], MAX_PATH, cause.path);
    return text;
}

FailureText DiskTooSmall(const FailureCause& cause)
{
    FailureText text;
    text.message = kDiskTooSmall;
    // Needed and missing rounded up, free rounded down: freeing what the text asks is enough.
    const ULONGLONG missing = cause.needed_bytes > cause.free_bytes ? cause.needed_bytes - cause.free_bytes : 0;
    Number((cause.needed_bytes + kMegabyte - 1) / kMegabyte, text.arguments[0]);
    CopyText(text.arguments[1], MAX_PATH, cause.volume);
    CopyText(text.arguments[2], MAX_PATH, cause.path);
    Number(cause.free_bytes / kMegabyte, text.arguments[3]);
    Number((missing + kMegabyte - 1) / kMegabyte, text.arguments[4]);
    return text;
}

} // namespace

FailureText DescribeFailureCause(const FailureCause& cause)
{
    switch (cause.kind) {
    case FailureCauseKind::kServerStart:
        return ServerDidNotStart(cause);
    case FailureCauseKind::kNotReady:
        return NotReady(cause);
    case FailureCauseKind::kCertificate:
        return CertificateRefused(cause);
    case FailureCauseKind::kDiskSpace:
        return DiskTooSmall(cause);
    case FailureCauseKind::kNone:
        break;
    }
    return FailureText();
}
