// Which installation of the server a folder holds: a row per case over a fake machine's
// services, entries among the installed programs, short names and files; then this
// machine's facts under Wine (a real service, an entry in each registry view).
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "base/bounded_text.h"
#include "engine/installation_identity.h"
#include "services/service_test_support.h"
#include "support/at_scope_exit.h"
#include "support/temp_folder.h"
#include "system/uninstall/uninstall_entry.h"

namespace {

class FakeFacts final : public InstallationFacts
{
public:
    std::map<std::wstring, std::wstring> services;                  // name: command line
    std::vector<std::pair<std::wstring, std::wstring>> listed;      // service, folder
    std::map<std::wstring, std::wstring> longForms;                 // short path: long path
    std::vector<std::wstring> files;

    bool ServiceCommand(const wchar_t* name, wchar_t* command, size_t capacity) override
    {
        for (const auto& each : services)
            if (lstrcmpiW(each.first.c_str(), name) == 0)
                return CopyText(command, capacity, each.second.c_str()), true;
        return false;
    }
    bool ServiceAt(size_t index, wchar_t* name, size_t capacity) override
    {
        auto it = services.begin();
        for (size_t i = 0; i < index && it != services.end(); ++i)
            ++it;
        return it != services.end() && (CopyText(name, capacity, it->first.c_str()), true);
    }
    bool ListedAt(size_t index, wchar_t* service, size_t serviceCapacity, wchar_t* folder,
                  size_t folderCapacity) override
    {
        if (index >= listed.size())
            return false;
        CopyText(service, serviceCapacity, listed[index].first.c_str());
        CopyText(folder, folderCapacity, listed[index].second.c_str());
        return true;
    }
    bool LongForm(const wchar_t* path, wchar_t* longPath, size_t capacity) override
    {
        auto it = longForms.find(path);
        return it != longForms.end() && (CopyText(longPath, capacity, it->second.c_str()), true);
    }
    bool FileExists(const wchar_t* path) override
    {
        for (const std::wstring& file : files)
            if (lstrcmpiW(file.c_str(), path) == 0)
                return true;
        return false;
    }
};

const wchar_t kFolder[] = L"C:\\Program Files\\Velmora";
const wchar_t kServer[] = L"C:\\Program Files\\Velmora\\Velmora.exe";
const wchar_t kOurCommand[] = L"\"C:\\Program Files\\Velmora\\Velmora.exe\" /start";

const wchar_t* const kKindNames[] = {L"none", L"installed", L"unrecorded server", L"other service",
                                     L"service not the server", L"service of another folder"};

// "installed velmora (service, differs, server)", "other service mail", ...
std::wstring Outcome(const InstallationIdentity& identity)
{
    std::wstring text = kKindNames[static_cast<int>(identity.kind)];
    if (identity.kind == InstallationKind::kInstalled)
        text += std::wstring(identity.service_exists ? L" service" : L" entry") +
                (identity.command_differs ? L", differs" : L"") + (identity.server_present ? L", server" : L"");
    if (identity.kind == InstallationKind::kOtherService)
        text += std::wstring(L" ") + identity.service;
    if (identity.kind == InstallationKind::kServiceOfOtherFolder)
        text += std::wstring(L" ") + identity.folder;
    return text;
}

struct Row
{
    const char* what;
    std::function<void(FakeFacts&)> arrange;
    const wchar_t* outcome;
    const wchar_t* service = L"velmora";  // the run's service name
};

void Server(FakeFacts& f) { f.files.push_back(kServer); }
void OurService(FakeFacts& f) { f.services[L"velmora"] = kOurCommand; }
// The server in the folder, and the service "velmora" with `command`.
std::function<void(FakeFacts&)> ServerAndService(const wchar_t* command)
{
    return [=](FakeFacts& f) { Server(f), f.services[L"velmora"] = command; };
}
// The server in the folder, and an entry among the installed programs of `service` for `folder`.
std::function<void(FakeFacts&)> ServerAndEntry(const wchar_t* service, const wchar_t* folder)
{
    return [=](FakeFacts& f) { Server(f), f.listed.push_back({service, folder}); };
}

const Row kRows[] = {
    {"an empty machine", [](FakeFacts&) {}, L"none"},
    {"a planted Velmora.exe with no record: nobody's installation", Server, L"unrecorded server"},
    {"... a service of another name for another folder does not make it one", [](FakeFacts& f) {
         Server(f), f.services[L"mail"] = L"\"D:\\Mail\\Velmora.exe\" /start"; },
     L"unrecorded server"},
    {"the service as the setup writes it", ServerAndService(kOurCommand), L"installed service, server"},
    {"... its name in other case", ServerAndService(kOurCommand), L"installed service, server", L"VELMORA"},
    {"... whose server is gone: the record, and no server to upgrade", OurService, L"installed service"},
    {"the service's path in other case: the same installation, written anew",
     ServerAndService(L"\"c:\\program files\\VELMORA\\velmora.exe\" /START"), L"installed service, differs, server"},
    {"the service's path in its 8.3 form", [](FakeFacts& f) {
         Server(f), f.services[L"velmora"] = L"\"C:\\PROGRA~1\\Velmora\\Velmora.exe\" /start";
         f.longForms[L"C:\\PROGRA~1\\Velmora\\Velmora.exe"] = kServer; },
     L"installed service, differs, server"},
    {"... an 8.3 folder of a server that is gone", [](FakeFacts& f) {
         f.services[L"velmora"] = L"\"C:\\PROGRA~1\\Velmora\\Velmora.exe\" /start";
         f.longForms[L"C:\\PROGRA~1\\Velmora"] = kFolder; },
     L"installed service, differs"},
    {"a system service's name", [](FakeFacts& f) { f.services[L"Spooler"] = L"C:\\windows\\system32\\spoolsv.exe"; },
     L"service not the server", L"Spooler"},
    {"... the server's path without quotes", ServerAndService(L"C:\\Velmora\\Velmora.exe /start"),
     L"service not the server"},
    {"... the quoted server with other arguments",
     ServerAndService(L"\"C:\\Program Files\\Velmora\\Velmora.exe\" /start /debug"), L"service not the server"},
    {"... another program in the folder", ServerAndService(L"\"C:\\Program Files\\Velmora\\Other.exe\" /start"),
     L"service not the server"},
    {"the chosen service runs the server of another folder", [](FakeFacts& f) {
         f.services[L"velmora"] = L"\"D:\\Servers\\Velmora\\Velmora.exe\" /start"; },
     L"service of another folder D:\\Servers\\Velmora"},
    {"the folder's installation runs under another service",
     [](FakeFacts& f) { Server(f), f.services[L"mail"] = kOurCommand; }, L"other service mail"},
    {"only the entry among the installed programs, the service removed", ServerAndEntry(L"velmora", kFolder),
     L"installed entry, server"},
    {"... an entry of the 32-bit view (one of the list, like the 64-bit's)",
     ServerAndEntry(L"velmora", L"c:\\program files\\velmora\\"), L"installed entry, server"},
    {"... in an 8.3 form", [](FakeFacts& f) {
         Server(f), f.listed.push_back({L"velmora", L"C:\\PROGRA~1\\Velmora"});
         f.longForms[L"C:\\PROGRA~1\\Velmora"] = kFolder; },
     L"installed entry, server"},
    {"... for another service name", ServerAndEntry(L"mail", kFolder), L"other service mail"},
    {"... two entries, one of the chosen name", [](FakeFacts& f) {
         Server(f), f.listed.push_back({L"mail", kFolder}), f.listed.push_back({L"velmora", kFolder}); },
     L"installed entry, server"},
    {"an entry of another folder whose name starts alike", ServerAndEntry(L"velmora", L"C:\\Program Files\\Velmora2"),
     L"unrecorded server"},
};

} // namespace

TEST(InstallationIdentity, OnlyTheMachinesRecordsMakeAnInstallation)
{
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.what);
        FakeFacts facts;
        row.arrange(facts);
        EXPECT_EQ(row.outcome, Outcome(IdentifyInstallation(kFolder, row.service, facts)));
    }
}

TEST(InstallationIdentity, TheServiceCommandLineTheSetupWrites)
{
    wchar_t command[600];
    ASSERT_TRUE(ServerCommandLine(kFolder, command, 600));
    EXPECT_STREQ(kOurCommand, command);
    wchar_t small[600];
    EXPECT_FALSE(ServerCommandLine(kFolder, small, wcslen(kOurCommand))) << "refused, not cut";
    FakeFacts facts;
    wchar_t folder[MAX_PATH];
    ASSERT_TRUE(ServerFolderOfCommand(command, facts, folder, MAX_PATH));
    EXPECT_STREQ(kFolder, folder);
    EXPECT_FALSE(ServerFolderOfCommand(command, facts, folder, wcslen(kFolder)));
    for (const wchar_t* other : {L"", L"\"", L"\"\" /start", L"\"Velmora.exe\" /start", L"\"\\Velmora.exe\" /start",
                                 L"\"C:\\Velmora\\Velmora.exe /start", L"\"C:\\Velmora\\Velmora.exe\"/start"}) {
        SCOPED_TRACE(other);
        EXPECT_FALSE(ServerFolderOfCommand(other, facts, folder, MAX_PATH));
    }
}

// The only service a removal of the installation may take: one whose whole command line is
// the folder's server's, however another one's path reads.
TEST(InstallationIdentity, TheRemovalTakesOnlyTheFoldersServerCommand)
{
    const struct
    {
        const wchar_t* command;
        bool ours;
    } rows[] = {
        {kOurCommand, true},
        {L"\"c:\\program files\\velmora\\VELMORA.EXE\" /START", true},
        {L"C:\\Program Files\\Velmora\\Velmora.exe /start", false},  // unquoted
        {L"\"C:\\Program Files\\Velmora\\Velmora.exe\"", false},
        {L"\"C:\\Program Files\\Velmora\\Velmora.exe\" /start /other", false},
        {L"\"C:\\Program Files\\Velmora\\other.exe\" /start", false},
        {L"\"C:\\Program Files\\Velmora\\sub\\Velmora.exe\" /start", false},
        {L"\"C:\\Program Files\\Velmora2\\Velmora.exe\" /start", false},
        {L"\"C:\\Velmora.exe\" /start", false},
        {L"C:\\Program", false},
        {L"", false},
        {nullptr, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.command ? row.command : L"(none)");
        EXPECT_EQ(row.ours, IsServerCommandOf(row.command, kFolder));
    }
}

// This machine: the service manager's record, and entries written to either registry view.
TEST(InstallationIdentity, ThisMachinesServicesAndEntriesOfEitherView)
{
    TempFolder root(L"identity");
    const std::wstring folder = root.File(L"Velmora");
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(WriteWholeFile(folder + L"\\Velmora.exe", "MZ"));
    wchar_t longFolder[MAX_PATH] = {};
    ASSERT_NE(0u, GetLongPathNameW(folder.c_str(), longFolder, MAX_PATH));
    {
        LocalInstallationFacts facts;
        EXPECT_EQ(L"unrecorded server", Outcome(IdentifyInstallation(longFolder, L"velmora-id-none", facts)));
    }
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
        SCOPED_TRACE(view == KEY_WOW64_64KEY ? "64-bit view" : "32-bit view");
        const std::wstring service = UniqueServiceName();
        const std::wstring key = std::wstring(kUninstallRoot) + L"\\" + kUninstallKeyPrefix + service;
        HKEY made = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE | view,
                                                 nullptr, &made, nullptr));
        AtScopeExit removeEntry([&] { RegDeleteKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), view, 0); });
        RegSetValueExW(made, L"InstallLocation", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                       static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(made);
        LocalInstallationFacts facts;
        EXPECT_EQ(L"installed entry, server", Outcome(IdentifyInstallation(longFolder, service.c_str(), facts)));
    }
    // A real service with the short form of the path: the same installation, in another text.
    wchar_t shortFolder[MAX_PATH] = {};
    GetShortPathNameW(longFolder, shortFolder, MAX_PATH);
    TestService service(std::wstring(L"\"") + shortFolder + L"\\Velmora.exe\" /start");
    const bool written = lstrcmpW(shortFolder, longFolder) != 0;
    LocalInstallationFacts facts;
    EXPECT_EQ(written ? L"installed service, differs, server" : L"installed service, server",
              Outcome(IdentifyInstallation(longFolder, service.Name(), facts)));
    EXPECT_EQ(std::wstring(L"other service ") + service.Name(),
              Outcome(IdentifyInstallation(longFolder, L"velmora-id-none", facts)));
    wchar_t found[MAX_PATH] = {};
    EXPECT_TRUE(InstalledServerFolder(service.Name(), found, MAX_PATH));
    EXPECT_STREQ(longFolder, found);
}
