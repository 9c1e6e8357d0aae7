#include "base/run_log_file.h"

#include <windows.h>
#include <ntsecapi.h>

#include "base/bounded_text.h"
#include "base/object_security.h"
#include "base/server_version.h"
#include "base/setup_log.h"
#include "base/setup_tools.h"

namespace {

#define WIDEN2(text) L##text
#define WIDEN(text) WIDEN2(text)

// The account's own temporary folder; SYSTEM's is the system's, whatever its environment says.
bool TemporaryFolder(wchar_t (&folder)[MAX_PATH])
{
    AccountSidBuffer buffer;
    PSID account = RunningAccountSid(buffer);
    if (account && IsWellKnownSid(account, WinLocalSystemSid)) {
        UINT length = GetSystemWindowsDirectoryW(folder, MAX_PATH);
        return length > 0 && length + 6 < MAX_PATH && AppendText(folder, L"\\Temp\\") > 0;
    }
    DWORD length = GetTempPathW(MAX_PATH, folder);
    return length > 0 && length < MAX_PATH;
}

// A new file of this run's own, under a name nobody can foresee and so make first.
LogRefusal OpenDefaultLog(const wchar_t* program)
{
    wchar_t folder[MAX_PATH] = {};
    if (!TemporaryFolder(folder)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return LogRefusal::kSystemError;
    }
    LogRefusal refusal = LogRefusal::kSystemError;
    for (int attempt = 0; attempt < 3; ++attempt) {
        SYSTEMTIME now = {};
        GetSystemTime(&now);
        ULONGLONG random = 0;
        if (!RtlGenRandom(&random, sizeof(random)))
            return LogRefusal::kSystemError;
        wchar_t path[MAX_PATH] = {};
        if (FormatText(path, L"%s%s-%04u%02u%02uT%02u%02u%02uZ-%016I64x.log", folder, program, now.wYear,
                       now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, random) >= MAX_PATH - 1) {
            SetLastError(ERROR_FILENAME_EXCED_RANGE);
            return LogRefusal::kSystemError;
        }
        refusal = g_setupLog.Open(path, CSetupLog::Opening::kCreateOnly);
        if (refusal != LogRefusal::kSystemError || GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    return refusal;
}

} // namespace

LogRefusal OpenRunLog(const RunSwitches& switches, const wchar_t* program)
{
    if (!switches.log[0])
        return switches.quiet ? OpenDefaultLog(program) : LogRefusal::kNone;
    // A relative name means the current folder, as for any program.
    wchar_t full[MAX_PATH] = {};
    DWORD length = GetFullPathNameW(switches.log, MAX_PATH, full, nullptr);
    LogRefusal refusal = LogRefusal::kSystemError;
    if (length == 0 || length >= MAX_PATH)
        SetLastError(length ? ERROR_FILENAME_EXCED_RANGE : GetLastError());
    else
        refusal = g_setupLog.Open(full);
    if (refusal == LogRefusal::kNone)
        return refusal;
    // The program tells why, through the quiet run's default log when it opens.
    DWORD error = GetLastError();
    if (switches.quiet)
        OpenDefaultLog(program);
    SetLastError(error);
    return refusal;
}

void DescribeLogRefusal(const RunSwitches& switches, const wchar_t* program, LogRefusal refusal, DWORD error,
                        wchar_t (&text)[1024])
{
    wchar_t reason[600] = {};
    if (refusal == LogRefusal::kSystemError) {
        wchar_t system[512] = {};
        g_setupTools.FormatSystemError(error, system, 512);
        FormatText(reason, L"%s (system error %lu)", system, error);
    } else {
        CopyText(reason, LogRefusalText(refusal));
    }
    wchar_t file[MAX_PATH + 40] = {};
    if (switches.log[0])
        CopyText(file, switches.log);
    else
        FormatText(file, L"%%TEMP%%\\%s-<UTC time>-<random>.log", program);
    FormatText(text, L"Cannot write the log file \"%s\": %s", file, reason);
}

void LogRunHeader(const wchar_t* title, const wchar_t* commandLine)
{
    g_setupLog.Line(L"==== %s " WIDEN(VELMORA_VERSION_TEXT) L", process %lu, command line: %s", title,
                    GetCurrentProcessId(), commandLine);
}
