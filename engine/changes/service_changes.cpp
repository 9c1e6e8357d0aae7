#include "engine/changes/service_changes.h"

#include "base/bounded_text.h"
#include "base/setup_tools.h"
#include "system/removal/installation_removal.h"
#include "system/services/service_command.h"
#include "system/services/service_install.h"
#include "system/services/service_wait.h"

namespace {

const wchar_t kServiceDescription[] = L"Brindleway Velmora Server";
const int kServiceStopAttempts = 3;

bool IsRunning(DWORD state)
{
    return state == SERVICE_RUNNING || state == SERVICE_START_PENDING || state == SERVICE_CONTINUE_PENDING;
}

} // namespace

DWORD StopServiceOfName(const wchar_t* serviceName, CancelCheck cancelled, void* context)
{
    if (!g_setupTools.ServiceExists(serviceName))
        return SERVICE_STOPPED;
    DWORD state = g_setupTools.GetServiceState(serviceName);
    for (int i = 0; i < kServiceStopAttempts && !(cancelled && cancelled(context)); ++i)
        if ((state = ControlServiceAndWaitWithin(serviceName, true, kServiceWaitLimitMs, cancelled, context)) ==
            SERVICE_STOPPED)
            break;
    return state;
}

StoppedServiceChange::StoppedServiceChange(const wchar_t* serviceName, CancelCheck cancelled, void* context)
    : cancelled_(cancelled), context_(context)
{
    CopyText(name_, serviceName);
}

bool StoppedServiceChange::Apply()
{
    if (!g_setupTools.ServiceExists(name_))
        return true;
    wasRunning_ = IsRunning(g_setupTools.GetServiceState(name_));
    StopServiceOfName(name_, cancelled_, context_);
    SetLastError(0);
    return true;
}

bool StoppedServiceChange::Preview(ChangePreview& preview)
{
    if (!g_setupTools.ServiceExists(name_))
        return true;
    if (IsRunning(g_setupTools.GetServiceState(name_)))
        preview.Say(Kind(), L"would stop the service \"%s\" while it works; finds it running", name_);
    else
        preview.Say(Kind(), L"would leave the service \"%s\" stopped; finds it stopped", name_);
    return true;
}

bool StoppedServiceChange::Undo()
{
    if (!wasRunning_)
        return true;
    const DWORD state = g_setupTools.GetServiceState(name_);
    if (IsRunning(state))
        return true;
    // A stop the run cancelled goes on by itself; the service starts once it has ended.
    if (state == SERVICE_STOP_PENDING)
        g_setupTools.ControlServiceAndWait(name_, true);
    return g_setupTools.ControlServiceAndWait(name_, false) == SERVICE_RUNNING;
}

CreatedServiceChange::CreatedServiceChange(const wchar_t* command, const wchar_t* serviceName,
                                           const wchar_t* displayName, const wchar_t* folder)
{
    CopyText(command_, command);
    CopyText(name_, serviceName);
    CopyText(display_, displayName);
    CopyText(folder_, folder);
}

bool CreatedServiceChange::Apply()
{
    // The run found none of the name: one that came since is somebody else's, and stays.
    return CreateServiceWithin(command_, name_, display_, kServiceDescription, kServiceCreateTries,
                               kServiceCreatePauseMs, ExistingService::kRefuse);
}

bool CreatedServiceChange::Preview(ChangePreview& preview)
{
    preview.Say(Kind(), L"would create the service \"%s\" (\"%s\"), started automatically as LocalSystem: %s; "
                        L"finds none of that name", name_, display_, command_);
    return true;
}

bool CreatedServiceChange::Undo()
{
    const ServiceRemoval removal = RemoveServerService(name_, folder_);
    return removal == ServiceRemoval::kDone || removal == ServiceRemoval::kNone ||
           removal == ServiceRemoval::kNotOurs;
}

void CreatedServiceChange::Remember(RememberedInstallation& memory) const
{
    memory.service = Provenance::kMade;
    CopyText(memory.service_name, name_);
}

ServiceCommandChange::ServiceCommandChange(const wchar_t* serviceName, const wchar_t* command)
{
    CopyText(name_, serviceName);
    CopyText(command_, command);
}

bool ServiceCommandChange::Apply()
{
    return ReadServiceCommand(name_, before_, 2 * MAX_PATH) && WriteServiceCommand(name_, command_);
}

bool ServiceCommandChange::Preview(ChangePreview& preview)
{
    if (!ReadServiceCommand(name_, before_, 2 * MAX_PATH))
        return false;
    preview.Say(Kind(), L"would set the command line of the service \"%s\" to %s; finds %s", name_, command_,
                before_);
    return true;
}

bool ServiceCommandChange::Undo()
{
    return WriteServiceCommand(name_, before_);
}
