// The folder of an installed service's executable, read from its binary path.
#include "system/services/service_folder_seams.h"

#include "base/bounded_text.h"
#include "base/last_error.h"
#include "base/setup_tools.h"
#include "system/services/service_failure.h"
#include "system/services/service_open.h"

QueryServiceConfigCall g_queryServiceConfigCall = QueryServiceConfigW;

namespace {

// The folder part of a service's binary path, which may be quoted and followed by
// arguments. Without any backslash the whole path is taken.
void CopyFolderOfBinaryPath(const wchar_t* binaryPath, wchar_t* folder, size_t capacity)
{
    const wchar_t* lastBackslash = nullptr;
    bool insideQuotes = false;
    for (const wchar_t* scan = binaryPath; *scan != L'\0'; ++scan) {
        if (*scan == L'\\') {
            lastBackslash = scan;
        } else if (*scan == L' ' && !insideQuotes) {
            break;
        } else if (*scan == L'"') {
            if (insideQuotes)
                break;
            insideQuotes = true;
        }
    }
    if (lastBackslash == nullptr) {
        CopyText(folder, capacity, binaryPath);
        return;
    }
    const wchar_t* start = binaryPath[0] == L'"' ? binaryPath + 1 : binaryPath;
    CopyTextN(folder, capacity, start, static_cast<size_t>(lastBackslash - start));
}

} // namespace

void CSetupTools::GetServiceFolder(const wchar_t* serviceName, wchar_t* folder, size_t capacity) const
{
    OpenedService opened;
    if (folder == nullptr || capacity < 3 || !OpenServiceByName(serviceName, opened))
        return;

    alignas(QUERY_SERVICE_CONFIGW) BYTE buffer[4096] = {};
    QUERY_SERVICE_CONFIGW* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer);
    DWORD needed = 0;
    if (!g_queryServiceConfigCall(opened.service.Get(), config, sizeof(buffer), &needed)) {
        ReportServiceFailure(LastErrorOr(ERROR_GEN_FAILURE));
        return;
    }
    // The query succeeded, so the system gave no reason for what is missing.
    if (IsMissingText(config->lpBinaryPathName)) {
        ReportServiceFailure(ERROR_INVALID_DATA);
        return;
    }
    CopyFolderOfBinaryPath(config->lpBinaryPathName, folder, capacity);
}
