// Creating the server's own service: an own process under LocalSystem that starts with
// the system and is restarted at once whenever it fails.
#include "system/services/service_install.h"
#include "system/services/service_install_seams.h"

#include "base/scoped_handle.h"
#include "base/setup_tools.h"
#include "system/services/service_failure.h"

ChangeServiceConfig2Call g_changeServiceConfig2Call = ChangeServiceConfig2W;

namespace {

void DescribeService(SC_HANDLE service, const wchar_t* description)
{
    SERVICE_DESCRIPTIONW text = {};
    text.lpDescription = const_cast<wchar_t*>(description);
    g_changeServiceConfig2Call(service, SERVICE_CONFIG_DESCRIPTION, &text);

    SC_ACTION restart = {};
    restart.Type = SC_ACTION_RESTART;
    restart.Delay = 0;
    SERVICE_FAILURE_ACTIONSW actions = {};
    actions.dwResetPeriod = 0;
    actions.lpRebootMsg = nullptr;
    actions.lpCommand = nullptr;
    actions.cActions = 1;
    actions.lpsaActions = &restart;
    g_changeServiceConfig2Call(service, SERVICE_CONFIG_FAILURE_ACTIONS, &actions);
}

bool MissesAText(const wchar_t* binaryPath, const wchar_t* serviceName, const wchar_t* displayName,
                 const wchar_t* description)
{
    return IsMissingText(binaryPath) || IsMissingText(serviceName) || IsMissingText(displayName) ||
           IsMissingText(description);
}

} // namespace

bool CreateServiceWithin(const wchar_t* binaryPath, const wchar_t* serviceName,
                         const wchar_t* displayName, const wchar_t* description,
                         unsigned tries, DWORD pauseMs, ExistingService existing)
{
    if (MissesAText(binaryPath, serviceName, displayName, description)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    UniqueServiceHandle manager(OpenSCManagerW(nullptr, SERVICES_ACTIVE_DATABASEW, SC_MANAGER_ALL_ACCESS));
    if (!manager)
        return false;

    UniqueServiceHandle service;
    DWORD error = ERROR_SUCCESS;
    for (unsigned attempt = 0; attempt == 0 || attempt < tries; ++attempt) {
        if (attempt > 0)
            Sleep(pauseMs);
        service.Reset(CreateServiceW(manager.Get(), serviceName, displayName, SERVICE_ALL_ACCESS,
                                     SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL,
                                     binaryPath, nullptr, nullptr, nullptr, nullptr, nullptr));
        if (service)
            break;
        error = GetLastError();
        // A service of this name is in the way: remove it and try again. The removal
        // shows its own message when it fails. A display name held by another service is
        // not cleared by this, so only the bound ends that case.
        const bool inTheWay = error == ERROR_SERVICE_EXISTS || error == ERROR_DUPLICATE_SERVICE_NAME;
        if (inTheWay && (existing == ExistingService::kRefuse || !g_setupTools.RemoveService(serviceName)))
            break;
    }
    if (!service) {
        SetLastError(error);
        return false;
    }

    SetLastError(ERROR_SUCCESS);
    DescribeService(service.Get(), description);
    return true;
}

bool InstallServiceWithin(const wchar_t* binaryPath, const wchar_t* serviceName,
                          const wchar_t* displayName, const wchar_t* description,
                          unsigned tries, DWORD pauseMs)
{
    // A call without the texts it needs is the caller's fault, not the system's.
    if (MissesAText(binaryPath, serviceName, displayName, description)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    return CreateServiceWithin(binaryPath, serviceName, displayName, description, tries, pauseMs,
                               ExistingService::kReplace) ||
           ReportServiceFailure(GetLastError());
}

bool CSetupTools::InstallService(const wchar_t* binaryPath, const wchar_t* serviceName,
                                 const wchar_t* displayName, const wchar_t* description) const
{
    return InstallServiceWithin(binaryPath, serviceName, displayName, description,
                                kServiceCreateTries, kServiceCreatePauseMs);
}
