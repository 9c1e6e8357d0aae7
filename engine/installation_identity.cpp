#include "engine/installation_identity.h"

#include <string>
#include <vector>

#include "base/bounded_text.h"
#include "base/installation_names.h"
#include "base/path_join.h"
#include "base/same_folder.h"
#include "base/whole_format.h"
#include "system/services/service_command.h"
#include "system/uninstall/uninstall_entry_list.h"

namespace {

// Service command lines are at most 32767 characters; ours fit in far less, and a longer
// one is no command of ours.
const size_t kCommandCapacity = 2 * MAX_PATH;

bool ServerPresent(const wchar_t* folder, InstallationFacts& facts)
{
    wchar_t server[MAX_PATH];
    return JoinPath(server, folder, kServerProgramName) && facts.FileExists(server);
}

// The entry's folder as the system names it now, when it can tell.
bool ListedFolderIs(const wchar_t* listed, const wchar_t* folder, InstallationFacts& facts)
{
    wchar_t longForm[MAX_PATH];
    return SameFolder(facts.LongForm(listed, longForm, MAX_PATH) ? longForm : listed, folder);
}

InstallationIdentity Identity(InstallationKind kind, const wchar_t* service = L"", const wchar_t* folder = L"")
{
    InstallationIdentity identity = {};
    identity.kind = kind;
    CopyText(identity.service, service);
    CopyText(identity.folder, folder);
    return identity;
}

} // namespace

bool ServerFolderOfCommand(const wchar_t* command, InstallationFacts& facts, wchar_t* folder, size_t capacity)
{
    if (!command || command[0] != L'"')
        return false;
    const wchar_t* closing = wcschr(command + 1, L'"');
    if (!closing || closing[1] != L' ' || !SameName(closing + 2, kServerServiceSwitch))
        return false;
    wchar_t executable[MAX_PATH] = {};
    const size_t length = static_cast<size_t>(closing - command - 1);
    if (length == 0 || length >= MAX_PATH)
        return false;
    CopyTextN(executable, MAX_PATH, command + 1, length);
    wchar_t resolved[MAX_PATH] = {};
    if (!facts.LongForm(executable, resolved, MAX_PATH)) {
        // The server may be missing: its folder's long form then, else the text as it is.
        wchar_t* separator = wcsrchr(executable, L'\\');
        if (!separator)
            return false;
        *separator = 0;
        wchar_t longFolder[MAX_PATH] = {};
        bool resolvedFolder = facts.LongForm(executable, longFolder, MAX_PATH);
        *separator = L'\\';
        if (!resolvedFolder || !JoinPath(resolved, longFolder, separator + 1))
            CopyText(resolved, executable);
    }
    wchar_t* name = wcsrchr(resolved, L'\\');
    if (!name || name == resolved || !SameName(name + 1, kServerProgramName))
        return false;
    *name = 0;
    if (!FitsInto(resolved, capacity))
        return false;
    CopyText(folder, capacity, resolved);
    return true;
}

InstallationIdentity IdentifyService(const wchar_t* folder, const wchar_t* serviceName, InstallationFacts& facts)
{
    wchar_t command[kCommandCapacity];
    wchar_t serverFolder[MAX_PATH];
    if (!facts.ServiceCommand(serviceName, command, kCommandCapacity))
        return Identity(InstallationKind::kNone);
    if (!ServerFolderOfCommand(command, facts, serverFolder, MAX_PATH))
        return Identity(InstallationKind::kServiceNotServer, serviceName);
    if (!SameFolder(serverFolder, folder))
        return Identity(InstallationKind::kServiceOfOtherFolder, serviceName, serverFolder);
    InstallationIdentity identity = Identity(InstallationKind::kInstalled, serviceName);
    wchar_t ours[kCommandCapacity];
    identity.service_exists = true;
    identity.command_differs = !ServerCommandLine(folder, ours, kCommandCapacity) || wcscmp(ours, command) != 0;
    identity.server_present = ServerPresent(folder, facts);
    return identity;
}

InstallationIdentity IdentifyInstallation(const wchar_t* folder, const wchar_t* serviceName,
                                          InstallationFacts& facts)
{
    InstallationIdentity byService = IdentifyService(folder, serviceName, facts);
    if (byService.kind != InstallationKind::kNone)
        return byService;
    wchar_t command[kCommandCapacity];
    wchar_t serverFolder[MAX_PATH];
    // Another service that runs this folder's server.
    wchar_t name[256];
    for (size_t i = 0; facts.ServiceAt(i, name, 256); ++i) {
        if (!SameName(name, serviceName) && facts.ServiceCommand(name, command, kCommandCapacity) &&
            ServerFolderOfCommand(command, facts, serverFolder, MAX_PATH) && SameFolder(serverFolder, folder))
            return Identity(InstallationKind::kOtherService, name);
    }
    // The entries among the installed programs: one under the chosen name decides.
    wchar_t listedService[256];
    wchar_t listedFolder[MAX_PATH];
    wchar_t otherService[256] = {};
    for (size_t i = 0; facts.ListedAt(i, listedService, 256, listedFolder, MAX_PATH); ++i) {
        if (!ListedFolderIs(listedFolder, folder, facts))
            continue;
        if (SameName(listedService, serviceName)) {
            InstallationIdentity identity = Identity(InstallationKind::kInstalled, serviceName);
            identity.server_present = ServerPresent(folder, facts);
            return identity;
        }
        CopyText(otherService, listedService);
    }
    if (otherService[0])
        return Identity(InstallationKind::kOtherService, otherService);
    if (ServerPresent(folder, facts))
        return Identity(InstallationKind::kUnrecordedServer);
    return Identity(InstallationKind::kNone);
}

struct LocalInstallationFacts::Lists
{
    bool servicesRead = false;
    std::vector<std::wstring> services;
    bool entriesRead = false;
    std::vector<ListedInstallation> entries;
};

LocalInstallationFacts::LocalInstallationFacts() : lists_(new Lists) {}

LocalInstallationFacts::~LocalInstallationFacts()
{
    delete lists_;
}

bool LocalInstallationFacts::ServiceCommand(const wchar_t* name, wchar_t* command, size_t capacity)
{
    if (ReadServiceCommand(name, command, capacity))
        return true;
    const DWORD error = GetLastError();
    if (error == ERROR_SERVICE_DOES_NOT_EXIST || error == ERROR_INVALID_NAME || error == ERROR_INVALID_PARAMETER)
        return false;
    // There, but unreadable or too long: no command of ours, and never taken for a free name
    // (creating the service would replace it).
    CopyText(command, capacity, L"");
    return true;
}

bool LocalInstallationFacts::ServiceAt(size_t index, wchar_t* name, size_t capacity)
{
    // A list that cannot be read names no service.
    if (!lists_->servicesRead) {
        ListServiceNames(lists_->services);
        lists_->servicesRead = true;
    }
    if (index >= lists_->services.size())
        return false;
    CopyText(name, capacity, lists_->services[index].c_str());
    return true;
}

bool LocalInstallationFacts::ListedAt(size_t index, wchar_t* service, size_t serviceCapacity, wchar_t* folder,
                                      size_t folderCapacity)
{
    if (!lists_->entriesRead) {
        ListUninstallEntries(lists_->entries);
        lists_->entriesRead = true;
    }
    if (index >= lists_->entries.size())
        return false;
    CopyText(service, serviceCapacity, lists_->entries[index].service.c_str());
    CopyText(folder, folderCapacity, lists_->entries[index].location.c_str());
    return true;
}

bool LocalInstallationFacts::LongForm(const wchar_t* path, wchar_t* longPath, size_t capacity)
{
    DWORD length = GetLongPathNameW(path, longPath, static_cast<DWORD>(capacity));
    return length > 0 && length < capacity;
}

bool LocalInstallationFacts::FileExists(const wchar_t* path)
{
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool InstalledServerFolder(const wchar_t* serviceName, wchar_t* folder, size_t capacity)
{
    LocalInstallationFacts facts;
    wchar_t command[kCommandCapacity];
    return facts.ServiceCommand(serviceName, command, kCommandCapacity) &&
           ServerFolderOfCommand(command, facts, folder, capacity);
}
