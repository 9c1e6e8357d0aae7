#pragma once
#include <windows.h>
#include <stddef.h>

#include "system/services/service_command.h"

// Which installation of the server a folder holds, told only by what administrators alone
// can write: the service manager's record of a service that runs "<folder>\Velmora.exe"
// /start, or this product's entry among the installed programs for the folder. A
// Velmora.exe that neither accounts for may have been put there by anybody: the folder is
// then nobody's installation.

// What the decision asks of the machine; tests answer from a table.
class InstallationFacts
{
public:
    // The command line of the service `name`; false when there is no such service.
    virtual bool ServiceCommand(const wchar_t* name, wchar_t* command, size_t capacity) = 0;
    // The name of the `index`th service of the machine; false past the last.
    virtual bool ServiceAt(size_t index, wchar_t* name, size_t capacity) = 0;
    // The `index`th entry of ours among the installed programs (either registry view): the
    // service it is for and the folder it names; false past the last.
    virtual bool ListedAt(size_t index, wchar_t* service, size_t serviceCapacity, wchar_t* folder,
                          size_t folderCapacity) = 0;
    // The long form of an existing path (8.3 names expanded); false when it cannot be had.
    virtual bool LongForm(const wchar_t* path, wchar_t* longPath, size_t capacity) = 0;
    virtual bool FileExists(const wchar_t* path) = 0;

protected:
    ~InstallationFacts() = default;
};

enum class InstallationKind
{
    kNone,               // no installation of the server here, and the service name is free
    kInstalled,          // the server's installation under the chosen service name
    kUnrecordedServer,   // a Velmora.exe that no record accounts for: refused
    kOtherService,       // the server's installation, under another service: refused
    kServiceNotServer,   // the chosen service exists and runs something else: refused
    kServiceOfOtherFolder,  // the chosen service runs the server of another folder: refused
};

struct InstallationIdentity
{
    InstallationKind kind;
    // kInstalled: the service exists (else only the entry among the installed programs tells).
    bool service_exists;
    // kInstalled: the service's command line differs from the form the setup writes (an 8.3
    // form, other case), so the run writes it anew.
    bool command_differs;
    // kInstalled: the folder holds Velmora.exe.
    bool server_present;
    wchar_t service[256];       // kOtherService: the installation's service
    wchar_t folder[MAX_PATH];   // kServiceOfOtherFolder: the folder its server lies in
};


// The folder of the server that `command` runs, when it has the setup's form (the quoted
// path's name Velmora.exe, then " /start", either in any case), in its long form. False
// for any other command.
bool ServerFolderOfCommand(const wchar_t* command, InstallationFacts& facts, wchar_t* folder, size_t capacity);

// What the service `serviceName` is to `folder` (in its full long form): kNone when there is
// no such service, else kInstalled, kServiceNotServer or kServiceOfOtherFolder.
InstallationIdentity IdentifyService(const wchar_t* folder, const wchar_t* serviceName, InstallationFacts& facts);

// What `folder` (in its full long form), for a run under the service `serviceName`.
InstallationIdentity IdentifyInstallation(const wchar_t* folder, const wchar_t* serviceName,
                                          InstallationFacts& facts);

// This machine's facts. The lists are read once, on first use.
class LocalInstallationFacts final : public InstallationFacts
{
public:
    LocalInstallationFacts();
    ~LocalInstallationFacts();
    LocalInstallationFacts(const LocalInstallationFacts&) = delete;
    LocalInstallationFacts& operator=(const LocalInstallationFacts&) = delete;

    bool ServiceCommand(const wchar_t* name, wchar_t* command, size_t capacity) override;
    bool ServiceAt(size_t index, wchar_t* name, size_t capacity) override;
    bool ListedAt(size_t index, wchar_t* service, size_t serviceCapacity, wchar_t* folder,
                  size_t folderCapacity) override;
    bool LongForm(const wchar_t* path, wchar_t* longPath, size_t capacity) override;
    bool FileExists(const wchar_t* path) override;

private:
    struct Lists;
    Lists* lists_;
};

// The folder of the server's installation that the service `serviceName` runs, for a run
// given a service but no folder. False when there is no such service or it runs anything
// but the server in the setup's form.
bool InstalledServerFolder(const wchar_t* serviceName, wchar_t* folder, size_t capacity);
