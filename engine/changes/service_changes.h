#pragma once
#include <windows.h>

#include "base/cancel_check.h"
#include "engine/changes/machine_change.h"

// The Windows service of the run's name.

// Asks the service `serviceName`, when there is one, to stop, a few times while it does not;
// `cancelled` (may be null) ends the asking. SERVICE_STOPPED when it stopped or there is none.
DWORD StopServiceOfName(const wchar_t* serviceName, CancelCheck cancelled, void* context);

// A service of the name that was there is stopped before its folder is touched; when it
// was running, it runs again after a rollback. Stopping is tried, not promised: a server
// that does not stop is found by the steps after this one.
class StoppedServiceChange final : public MachineChange
{
public:
    StoppedServiceChange(const wchar_t* serviceName, CancelCheck cancelled, void* context);
    bool Apply() override;
    bool Undo() override;
    bool Preview(ChangePreview& preview) override;
    const wchar_t* Kind() const override { return L"stopped service"; }

private:
    wchar_t name_[64];
    CancelCheck cancelled_;
    void* context_;
    bool wasRunning_ = false;
};

// The service created for the server in `folder`: on undo the service and the server it
// runs out of the folder go; a service of that name that runs another program by then is
// not the one made here, and stays.
class CreatedServiceChange final : public MachineChange
{
public:
    CreatedServiceChange(const wchar_t* command, const wchar_t* serviceName, const wchar_t* displayName,
                         const wchar_t* folder);
    bool Apply() override;
    bool Undo() override;
    bool Preview(ChangePreview& preview) override;
    void Remember(RememberedInstallation& memory) const override;
    const wchar_t* Kind() const override { return L"service"; }

private:
    wchar_t command_[2 * MAX_PATH];
    wchar_t name_[64];
    wchar_t display_[MAX_PATH];
    wchar_t folder_[MAX_PATH];
};

// WriteServiceCommand; the command line that the service had comes back.
class ServiceCommandChange final : public MachineChange
{
public:
    ServiceCommandChange(const wchar_t* serviceName, const wchar_t* command);
    bool Apply() override;
    bool Undo() override;
    bool Preview(ChangePreview& preview) override;
    const wchar_t* Kind() const override { return L"service's command line"; }

private:
    wchar_t name_[64];
    wchar_t command_[2 * MAX_PATH];
    wchar_t before_[2 * MAX_PATH] = {};
};
