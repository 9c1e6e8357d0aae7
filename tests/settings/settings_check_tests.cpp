// The settings page's Next check on a fake machine: a row per case, from the fields and
// the machine's answers to the page's next step, its box, the settings written and what
// the machine was asked to do; and how the page shows the check's boxes.
#include <gtest/gtest.h>
#include <winsock2.h>
#include <windows.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "base/bounded_text.h"
#include "base/message_ids.h"
#include "support/message_box_watcher.h"
#include "support/system_error_text.h"
#include "wizard/settings_page/settings_check.h"
#include "velmora_server_payload_paths.h"

namespace {

std::wstring Dotted(ULONG address)
{
    wchar_t text[32] = {};
    FormatDottedAddress(address, text, 32);
    return text;
}

class FakeMachine final : public SettingsMachine
{
public:
    VolumeVerdict volume = VolumeVerdict::kUsable;
    std::set<std::wstring> folders;  // what exists
    InstallationIdentity identity = {};  // of every folder
    InstalledVersion version = InstalledVersion::kNotNewer;
    bool resolves = true;
    ULONG resolvedTo = inet_addr("10.0.0.5");
    std::map<ULONG, PortVerdict> ports;  // the others are free
    DWORD importError = 0, importErrorWithout = 0, hashLength = 20, createError = 0;
    std::wstring calls;  // what the check asked for that is not a plain query

    VolumeVerdict CheckVolume(const wchar_t* root, DWORD* error) override
    {
        Log(L"volume " + std::wstring(root));
        *error = ERROR_NOT_READY;
        return volume;
    }
    bool FolderExists(const wchar_t* folder) override { return folders.count(folder) != 0; }
    InstallationIdentity IdentifyInstallation(const wchar_t* folder, const wchar_t* service) override
    {
        identified = std::wstring(folder) + L"|" + service;
        return identity;
    }
    std::wstring identified;  // the folder and service asked about
    FolderVerdict folderVerdict = {};  // allowed
    std::wstring checkedFolder;        // and whether as an installation
    FolderVerdict CheckFolder(const wchar_t* folder, bool installation) override
    {
        checkedFolder = std::wstring(folder) + (installation ? L" installation" : L"");
        return folderVerdict;
    }
    InstalledVersion ReadVersion(const wchar_t*) override { return version; }
    void KeepConfiguration(const wchar_t* folder) override { Log(L"keep " + std::wstring(folder)); }
    bool Resolve(const char* name, AddressList& resolved) override
    {
        Log(L"resolve " + std::wstring(name, name + strlen(name)));
        resolved.count = 0;
        if (resolves)
            resolved.entries[resolved.count++] = resolvedTo;
        return resolves;
    }
    PortVerdict TestPort(ULONG address, int* socketError) override
    {
        Log(L"port " + Dotted(address));
        *socketError = WSAEAFNOSUPPORT;
        return ports.count(address) ? ports[address] : PortVerdict::kFree;
    }
    DWORD ImportCertificate(const BYTE* image, DWORD size, const wchar_t* password, BYTE* hash,
                            DWORD* length) override
    {
        Log(password ? L"import '" + std::wstring(password) + L"'" : L"import none");
        EXPECT_TRUE(size == 3 && image[0] == 'P' && *length == 20);
        DWORD error = password ? importError : importErrorWithout;
        *length = hashLength;
        if (error == 0)
            FillMemory(hash, *length, 0xAB);
        return error;
    }
    bool CreateFolder(const wchar_t* folder, DWORD* error) override
    {
        Log(L"create " + std::wstring(folder));
        *error = createError;
        if (createError == ERROR_ALREADY_EXISTS)
            folders.insert(folder);
        return createError == 0;
    }

private:
    void Log(const std::wstring& call) { calls += (calls.empty() ? L"" : L", ") + call; }
};

// The ordinary case, which a row changes: an attended run, a new folder on a usable
// drive, a domain of this machine's address, free ports and an importable certificate.
struct Scene
{
    SettingsPageFields fields = {};
    InstallSettings settings = {};
    FakeMachine machine;
    SettingsAnswers answers;
    AddressList offered = {};

    Scene()
    {
        for (const char* address : {"0.0.0.0", "10.0.0.5", "10.0.0.6"})
            offered.entries[offered.count++] = inet_addr(address);
        CopyText(fields.folder, L" \tC:\\Velmora\\ \r\n");
        CopyText(fields.service_name, L" Velmora Mail ");
        fields.offered = &offered;
        fields.certificate = reinterpret_cast<const BYTE*>("PFX");
        fields.certificate_size = 3;
        CopyText(settings.domain_name, L"mail.example");
        CopyText(settings.domain_name_ansi, "mail.example");
        // Stale values of an earlier pass, so that every write shows.
        CopyText(settings.install_dir, L"old");
        CopyText(settings.service_name, L"old");
        settings.upgrade = settings.domain_unresolved = true;
        settings.server_address.sin_addr.s_addr = INADDR_NONE;
    }
};

const wchar_t* const kNextNames[] = {L"stay", L"ask", L"domain page", L"administrator", L"progress"};

// "stay: warning 47", "ask: yes/no question 39", "stay: error system 5 (arguments)".
std::wstring Outcome(const SettingsVerdict& verdict)
{
    std::wstring text = kNextNames[static_cast<int>(verdict.next)];
    const CheckMessage& m = verdict.message;
    if (m.style == 0)
        return text;
    text += (m.style & MB_YESNO) ? L": yes/no " : L": ";
    text += (m.style & MB_ICONMASK) == MB_ICONERROR ? L"error" : (m.style & MB_ICONMASK) == MB_ICONQUESTION ? L"question" : L"warning";
    text += m.text_id ? L" " + std::to_wstring(m.text_id) : L" system " + std::to_wstring(m.system_error);
    if (m.arguments[0][0] || m.arguments[1][0])
        text += L" (" + std::wstring(m.arguments[0]) + L"|" + m.arguments[1] + L")";
    return text;
}

std::wstring Flag(bool set) { return set ? L"1" : L"0"; }

std::wstring Short(const std::wstring& text)
{
    return text.size() > 40 ? std::to_wstring(text.size()) + L" chars" : text;
}

// The boxes' texts, then every settings field that the check changed.
std::wstring Written(const Scene& start, const Scene& scene)
{
    const InstallSettings& s = scene.settings;
    std::wstring text = L"boxes " + Short(scene.fields.folder) + L"|" + scene.fields.service_name;
    auto add = [&](const wchar_t* name, bool changed, const std::wstring& value) {
        if (changed)
            text += std::wstring(L"; ") + name + L" " + Short(value);
    };
    add(L"service", wcscmp(s.service_name, start.settings.service_name) != 0, s.service_name);
    add(L"dir", wcscmp(s.install_dir, start.settings.install_dir) != 0, s.install_dir);
    add(L"upgrade", s.upgrade != start.settings.upgrade, Flag(s.upgrade));
    add(L"confirmed", s.folder_confirmed != start.settings.folder_confirmed, Flag(s.folder_confirmed));
    add(L"created", s.folder_created != start.settings.folder_created, Flag(s.folder_created));
    add(L"thumbprint", memcmp(s.cert_thumbprint, start.settings.cert_thumbprint, 20) != 0, std::to_wstring(s.cert_thumbprint[19]));
    add(L"address", memcmp(&s.server_address, &start.settings.server_address, sizeof(sockaddr_in)) != 0,
        Dotted(s.server_address.sin_addr.s_addr) + L":" + std::to_wstring(ntohs(s.server_address.sin_port)) +
            (s.server_address.sin_family == AF_INET ? L"" : L" not AF_INET"));
    add(L"unresolved", s.domain_unresolved != start.settings.domain_unresolved, Flag(s.domain_unresolved));
    add(L"settled", wcscmp(scene.fields.settled_folder, start.fields.settled_folder) != 0, scene.fields.settled_folder);
    return text;
}

struct Row
{
    const char* what;
    std::function<void(Scene&)> arrange;
    const wchar_t* outcome;
    // Unless it names the boxes itself: what follows "boxes C:\Velmora\|Velmora Mail;
    // service Velmora Mail".
    const wchar_t* written;
    // Unless empty or naming the volume itself: what follows "volume C:\, ". Null: not
    // looked at.
    const wchar_t* calls;
};

const ULONG kSecond = inet_addr("10.0.0.5"), kThird = inet_addr("10.0.0.6");
// What rows write after the boxes and the service name, by how far the check got.
const wchar_t kDir[] = L"; dir C:\\Velmora; upgrade 0";
const wchar_t kImported[] = L"; dir C:\\Velmora; upgrade 0; thumbprint 171";
const wchar_t kFresh[] = L"; dir C:\\Velmora; upgrade 0; created 1; thumbprint 171; address 0.0.0.0:443; unresolved 0; settled C:\\Velmora";
const wchar_t kUpgraded[] = L"; dir C:\\Velmora; created 1; thumbprint 171; address 0.0.0.0:443; unresolved 0; settled C:\\Velmora";
const wchar_t kConfirmed[] = L"; dir C:\\Velmora; upgrade 0; confirmed 1; thumbprint 171; address 0.0.0.0:443; unresolved 0; settled C:\\Velmora";
// What the machine is asked after the volume.
const wchar_t kAllPorts[] = L"import '', resolve mail.example, port 0.0.0.0, port 10.0.0.5, port 10.0.0.6, create C:\\Velmora";
const wchar_t kKept[] = L"keep C:\\Velmora, import '', resolve mail.example";

void Unattended(Scene& s) { s.settings.run_mode = RunMode::kUnattended; }
void Existing(Scene& s) { s.machine.folders.insert(L"C:\\Velmora"); }
void Installed(Scene& s)
{
    Existing(s);
    s.machine.identity.kind = InstallationKind::kInstalled;
    s.machine.identity.service_exists = s.machine.identity.server_present = true;
}
void Identity(Scene& s, InstallationKind kind, const wchar_t* service = L"", const wchar_t* folder = L"")
{
    s.machine.identity.kind = kind;
    CopyText(s.machine.identity.service, service);
    CopyText(s.machine.identity.folder, folder);
}
void Refused(Scene& s, FolderRule rule, const wchar_t* path = L"")
{
    s.machine.folderVerdict.rule = rule;
    CopyText(s.machine.folderVerdict.path, path);
}
void Newer(Scene& s) { Installed(s); s.machine.version = InstalledVersion::kNewer; }
void Folder(Scene& s, const std::wstring& folder) { CopyText(s.fields.folder, folder.c_str()); }
void ServiceName(Scene& s, const wchar_t* name) { CopyText(s.fields.service_name, name); }
void Resolved(Scene& s, const char* address) { s.machine.resolvedTo = inet_addr(address); }

// The longest folder whose backup folder still holds the archive's longest path:
// "<folder>\backups\YYYY-MM-DD HH-MM-SS\<longest path>" in MAX_PATH - 1 characters.
const size_t kBackupPart = wcslen(L"\\backups\\YYYY-MM-DD HH-MM-SS\\");
const std::wstring kLongestFolder = L"C:\\" + std::wstring(MAX_PATH - 1 - kPayloadLongestPath - kBackupPart - 3, L'a');
const std::wstring kLongest = std::to_wstring(kLongestFolder.size()) + L" chars";
const std::wstring kLongestWritten = L"boxes " + kLongest + L"|Velmora Mail; service Velmora Mail; dir " + kLongest +
                                     L"; upgrade 0; created 1; thumbprint 171; address 0.0.0.0:443; unresolved 0; settled " + kLongest;
const std::wstring kLonger = std::to_wstring(kLongestFolder.size() + 1) + L" chars";
const std::wstring kLongerWritten = L"boxes " + kLonger + L"|Velmora Mail; service Velmora Mail; dir " + kLonger;

const Row kRows[] = {
    {"a new folder is created and stored: blanks go, the boxes keep the separators", [](Scene&) {}, L"administrator",
     kFresh, kAllPorts},
    {"unattended: no port is tested", Unattended, L"administrator", kFresh, L"import '', resolve mail.example, create C:\\Velmora"},
    {"a slash in the service name", [](Scene& s) { ServiceName(s, L"Velmora/Mail"); }, L"stay: warning 47",
     L"boxes C:\\Velmora\\|Velmora/Mail; service Velmora/Mail", L""},
    {"a backslash in the service name, unattended: quietly", [](Scene& s) { ServiceName(s, L"Velmora\\Mail"), Unattended(s); },
     L"stay", L"boxes C:\\Velmora\\|Velmora\\Mail; service Velmora\\Mail", L""},
    {"an empty service name", [](Scene& s) { ServiceName(s, L"  "); }, L"stay: warning 82",
     L"boxes C:\\Velmora\\|; service ", L""},
    {"a folder typed with slashes, dots and doubled separators is stored in its full form",
     [](Scene& s) { Folder(s, L"C:/Apps/..//Velmora/"); }, L"administrator",
     L"boxes C:/Apps/..//Velmora/|Velmora Mail; service Velmora Mail; dir C:\\Velmora; upgrade 0; created 1; "
     L"thumbprint 171; address 0.0.0.0:443; unresolved 0; settled C:\\Velmora", kAllPorts},
    {"a relative folder is refused", [](Scene& s) { Folder(s, L"Velmora"); }, L"stay: error system 161",
     L"boxes Velmora|Velmora Mail; service Velmora Mail", L""},
    {"a FAT drive", [](Scene& s) { Folder(s, L"E:\\Velmora"), s.machine.volume = VolumeVerdict::kFatVolume; },
     L"stay: warning 44", L"boxes E:\\Velmora|Velmora Mail; service Velmora Mail", L"volume E:\\"},
    {"a FAT drive, unattended: quietly", [](Scene& s) { s.machine.volume = VolumeVerdict::kFatVolume, Unattended(s); },
     L"stay", L"", L"volume C:\\"},
    {"too little space: the disk named without its backslash", [](Scene& s) {
         Folder(s, L"C:\\"), s.machine.volume = VolumeVerdict::kTooLittleSpace; },
     L"stay: warning 20 (C:|)", L"boxes C:\\|Velmora Mail; service Velmora Mail", L"volume C:\\"},
    {"the free space unknown: the system's reason", [](Scene& s) { s.machine.volume = VolumeVerdict::kFreeSpaceUnknown; },
     L"stay: error system 21", L"", L"volume C:\\"},
    {"the longest folder whose backup holds the archive's longest path", [](Scene& s) { Folder(s, kLongestFolder); },
     L"administrator", kLongestWritten.c_str(), nullptr},
    {"... one character more: refused, though its new installation would fit", [](Scene& s) { Folder(s, kLongestFolder + L"a"); },
     L"stay: error system 206", kLongerWritten.c_str(), L"volume C:\\"},
    {"... unattended: quietly", [](Scene& s) { Folder(s, kLongestFolder + L"a"), Unattended(s); },
     L"stay", kLongerWritten.c_str(), nullptr},
    {"an installed server of the offered version: kept, not asked about, no port tested", Installed, L"progress",
     kUpgraded, kKept},
    {"the same, unattended: the administrator next", [](Scene& s) { Installed(s), Unattended(s); }, L"administrator",
     kUpgraded, kKept},
    {"an installed server without version information is not merged", [](Scene& s) {
         Installed(s), s.machine.version = InstalledVersion::kUnversioned; },
     L"progress", kUpgraded, L"import '', resolve mail.example"},
    {"a Velmora.exe that no record accounts for: refused, never an upgrade", [](Scene& s) {
         Existing(s), Identity(s, InstallationKind::kUnrecordedServer); },
     L"stay: warning 120 (C:\\Velmora|)", kDir, L"volume C:\\"},
    {"... unattended: quietly", [](Scene& s) { Identity(s, InstallationKind::kUnrecordedServer), Unattended(s); },
     L"stay", kDir, L"volume C:\\"},
    {"an installation of another service name: refused, naming it", [](Scene& s) {
         Installed(s), Identity(s, InstallationKind::kOtherService, L"mail"); },
     L"stay: warning 121 (C:\\Velmora|mail)", kDir, L"volume C:\\"},
    {"a service name of another program's service: refused, naming it", [](Scene& s) {
         Identity(s, InstallationKind::kServiceNotServer, L"Velmora Mail"); },
     L"stay: warning 122 (Velmora Mail|)", kDir, L"volume C:\\"},
    {"a service name of the server in another folder: refused, naming both", [](Scene& s) {
         Identity(s, InstallationKind::kServiceOfOtherFolder, L"Velmora Mail", L"D:\\Velmora"); },
     L"stay: warning 123 (Velmora Mail|D:\\Velmora)", kDir, L"volume C:\\"},
    {"a drive root: refused, a folder below it suggested", [](Scene& s) {
         Folder(s, L"D:\\"), Refused(s, FolderRule::kDriveRoot); },
     L"stay: warning 124 (D:\\|D:\\Velmora)", L"boxes D:\\|Velmora Mail; service Velmora Mail; dir D:\\; upgrade 0",
     L"volume D:\\"},
    {"a network path", [](Scene& s) { Refused(s, FolderRule::kNetworkPath); },
     L"stay: warning 125 (C:\\Velmora|)", kDir, L"volume C:\\"},
    {"below the Windows folder: named", [](Scene& s) { Refused(s, FolderRule::kWindowsFolder, L"C:\\Windows"); },
     L"stay: warning 126 (C:\\Velmora|C:\\Windows)", kDir, L"volume C:\\"},
    {"below a temporary folder: named", [](Scene& s) { Refused(s, FolderRule::kTemporaryFolder, L"C:\\Temp"); },
     L"stay: warning 127 (C:\\Velmora|C:\\Temp)", kDir, L"volume C:\\"},
    {"the setup's own folder", [](Scene& s) { Refused(s, FolderRule::kSetupFolder, L"C:\\Velmora"); },
     L"stay: warning 128 (C:\\Velmora|)", kDir, L"volume C:\\"},
    {"a folder the system keeps for everybody: a folder below it suggested", [](Scene& s) {
         Refused(s, FolderRule::kSharedFolder, L"C:\\Velmora"); },
     L"stay: warning 129 (C:\\Velmora|C:\\Velmora\\Velmora)", kDir, L"volume C:\\"},
    {"a link on the way: named", [](Scene& s) { Refused(s, FolderRule::kLink, L"C:\\Velmora"); },
     L"stay: warning 130 (C:\\Velmora|C:\\Velmora)", kDir, L"volume C:\\"},
    {"a folder above that users may rename: named with the right and who holds it", [](Scene& s) {
         Refused(s, FolderRule::kUntrustedAncestor, L"C:\\Apps");
         CopyText(s.machine.folderVerdict.detail, L"DELETE: BUILTIN\\Users"); },
     L"stay: warning 132 (C:\\Apps|DELETE: BUILTIN\\Users)", kDir, L"volume C:\\"},
    {"an existing folder a user owns: named with its owner", [](Scene& s) {
         Existing(s), Refused(s, FolderRule::kForeignOwner, L"C:\\Velmora");
         CopyText(s.machine.folderVerdict.detail, L"PC\\guest"); },
     L"stay: warning 133 (C:\\Velmora|PC\\guest)", kDir, L"volume C:\\"},
    {"a foreign folder that is not empty", [](Scene& s) { Existing(s), Refused(s, FolderRule::kNotEmpty); },
     L"stay: warning 131 (C:\\Velmora|)", kDir, L"volume C:\\"},
    {"... unattended: quietly", [](Scene& s) { Existing(s), Refused(s, FolderRule::kNotEmpty), Unattended(s); },
     L"stay", kDir, L"volume C:\\"},
    {"the service of the folder without its server: a new installation beside its record", [](Scene& s) {
         Identity(s, InstallationKind::kInstalled, L"Velmora Mail"), s.machine.identity.service_exists = true; },
     L"administrator", kFresh, kAllPorts},
    {"a newer server is asked about", Newer, L"ask: yes/no question 39", L"; dir C:\\Velmora", L"volume C:\\"},
    {"... in an unattended run too", [](Scene& s) { Newer(s), Unattended(s); }, L"ask: yes/no question 39",
     L"; dir C:\\Velmora", L"volume C:\\"},
    {"... and kept when accepted", [](Scene& s) { Newer(s), s.answers.newer_version = true; }, L"progress", kUpgraded, kKept},
    {"an existing folder is asked about, the flags of another folder dropped", [](Scene& s) {
         Existing(s), s.settings.folder_confirmed = s.settings.folder_created = true;
         CopyText(s.fields.settled_folder, L"D:\\Other"); },
     L"ask: yes/no warning 16", L"; dir C:\\Velmora; upgrade 0; confirmed 0; created 0", L"volume C:\\"},
    {"... accepted: confirmed, not created", [](Scene& s) { Existing(s), s.answers.existing_folder = true; },
     L"administrator", kConfirmed, L"import '', resolve mail.example, port 0.0.0.0, port 10.0.0.5, port 10.0.0.6"},
    {"... unattended: confirmed without asking", [](Scene& s) { Existing(s), Unattended(s); }, L"administrator",
     kConfirmed, L"import '', resolve mail.example"},
    {"a folder confirmed on an earlier pass (in any case) is not asked about again", [](Scene& s) {
         Existing(s), s.settings.folder_confirmed = true, CopyText(s.fields.settled_folder, L"c:\\velmora"); },
     L"administrator", L"; dir C:\\Velmora; upgrade 0; thumbprint 171; address 0.0.0.0:443; unresolved 0; settled C:\\Velmora",
     nullptr},
    {"a folder created on an earlier pass is not asked about again", [](Scene& s) {
         Existing(s), s.settings.folder_created = true, CopyText(s.fields.settled_folder, L"C:\\Velmora"); },
     L"administrator", L"; dir C:\\Velmora; upgrade 0; thumbprint 171; address 0.0.0.0:443; unresolved 0", nullptr},
    {"an own certificate that does not import: shown in every run", [](Scene& s) {
         CopyText(s.fields.password, L"secret"), s.machine.importError = ERROR_INVALID_PASSWORD, Unattended(s); },
     L"stay: error system 86", kDir, L"import 'secret'"},
    // With its file named, the box says why the certificate cannot be used and what to do.
    {"an own certificate file with a wrong password", [](Scene& s) {
         CopyText(s.fields.password, L"secret"), CopyText(s.fields.certificate_file, L"D:\\server.pfx"),
         s.machine.importError = ERROR_INVALID_PASSWORD; },
     L"stay: warning 160 (D:\\server.pfx|)", kDir, L"import 'secret'"},
    {"an image without a password is imported without one", [](Scene& s) { s.machine.importError = ERROR_INVALID_PASSWORD; },
     L"administrator", kFresh, L"import '', import none, resolve mail.example, port 0.0.0.0, port 10.0.0.5, port 10.0.0.6, create C:\\Velmora"},
    {"... and refused when neither way works, a file's reason without a text of its own as the system says it", [](Scene& s) {
         CopyText(s.fields.certificate_file, L"D:\\server.pfx"),
         s.machine.importError = s.machine.importErrorWithout = NTE_BAD_DATA; },
     L"stay: error system 2148073477", kDir, L"import '', import none"},
    {"a certificate without its whole thumbprint", [](Scene& s) { s.machine.hashLength = 19; }, L"stay: error system 13",
     L"; dir C:\\Velmora; upgrade 0; thumbprint 0", L"import ''"},
    {"hosted: no certificate", [](Scene& s) { s.settings.saas_mode = true; }, L"administrator",
     L"; dir C:\\Velmora; upgrade 0; created 1; address 0.0.0.0:443; unresolved 0; settled C:\\Velmora",
     L"resolve mail.example, port 0.0.0.0, port 10.0.0.5, port 10.0.0.6, create C:\\Velmora"},
    {"a domain of another address is questioned with 'any'", [](Scene& s) { Resolved(s, "192.0.2.1"); },
     L"ask: yes/no warning 48 (mail.example|any)", kImported, nullptr},
    {"... or with the chosen address", [](Scene& s) { s.fields.selection = 1, Resolved(s, "10.0.0.6"); },
     L"ask: yes/no warning 48 (mail.example|10.0.0.5)", kImported, nullptr},
    {"... and goes on when accepted, testing the chosen address only", [](Scene& s) {
         s.fields.selection = 2, s.answers.other_address = true; },
     L"administrator", L"; dir C:\\Velmora; upgrade 0; created 1; thumbprint 171; address 10.0.0.6:443; unresolved 0; settled C:\\Velmora",
     L"import '', resolve mail.example, port 10.0.0.6, create C:\\Velmora"},
    {"... and is not asked in an unattended run", [](Scene& s) { Resolved(s, "192.0.2.1"), Unattended(s); },
     L"administrator", kFresh, nullptr},
    {"a selection out of the list is any address", [](Scene& s) { s.fields.selection = CB_ERR; }, L"administrator", kFresh, nullptr},
    {"an unresolved domain leads to the domain page, without the address question", [](Scene& s) { s.machine.resolves = false; },
     L"domain page", L"; dir C:\\Velmora; upgrade 0; created 1; thumbprint 171; address 0.0.0.0:443; settled C:\\Velmora", kAllPorts},
    {"a busy port is questioned with its address", [](Scene& s) { s.machine.ports[kSecond] = PortVerdict::kInUse; },
     L"ask: yes/no warning 15 (10.0.0.5|)", kImported, L"import '', resolve mail.example, port 0.0.0.0, port 10.0.0.5"},
    {"... any address as 0.0.0.0", [](Scene& s) { s.machine.ports[0] = PortVerdict::kInUse; },
     L"ask: yes/no warning 15 (0.0.0.0|)", kImported, nullptr},
    {"... one question per busy address", [](Scene& s) {
         s.machine.ports[0] = s.machine.ports[kThird] = PortVerdict::kInUse, s.answers.busy_ports = 1; },
     L"ask: yes/no warning 15 (10.0.0.6|)", kImported, nullptr},
    {"no socket: the reason", [](Scene& s) { s.machine.ports[kSecond] = PortVerdict::kNoSocket; },
     L"stay: warning system 10047", kImported, nullptr},
    {"a folder that cannot be made", [](Scene& s) { s.machine.createError = ERROR_ACCESS_DENIED; }, L"stay: error system 5",
     kImported, nullptr},
    {"... unattended: quietly", [](Scene& s) { s.machine.createError = ERROR_ACCESS_DENIED, Unattended(s); }, L"stay",
     kImported, nullptr},
    // Somebody made it between the look and the making: checked again as an existing folder.
    {"a folder that appears before it is made is asked about as an existing one", [](Scene& s) {
         s.machine.createError = ERROR_ALREADY_EXISTS; },
     L"ask: yes/no warning 16", kImported,
     L"import '', resolve mail.example, port 0.0.0.0, port 10.0.0.5, port 10.0.0.6, create C:\\Velmora, volume C:\\"},
};

} // namespace

TEST(SettingsCheck, EveryCase)
{
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.what);
        Scene scene;
        row.arrange(scene);
        Scene start;
        start.fields = scene.fields;
        start.settings = scene.settings;
        SettingsVerdict verdict = CheckSettingsPage(scene.fields, scene.settings, scene.machine, scene.answers);
        EXPECT_EQ(row.outcome, Outcome(verdict));
        // The installation is asked about in the folder's full form, under the trimmed name.
        if (!scene.machine.identified.empty()) {
            EXPECT_EQ(std::wstring(scene.settings.install_dir) + L"|" + scene.settings.service_name,
                      scene.machine.identified);
        }
        // The folder rules are told whether the records make it this run's installation.
        if (!scene.machine.checkedFolder.empty()) {
            EXPECT_EQ(std::wstring(scene.settings.install_dir) +
                          (scene.machine.identity.kind == InstallationKind::kInstalled ? L" installation" : L""),
                      scene.machine.checkedFolder);
        }
        std::wstring usual = L"boxes C:\\Velmora\\|Velmora Mail; service Velmora Mail";
        EXPECT_EQ(row.written[0] == L'b' ? row.written : usual + row.written, Written(start, scene));
        if (row.calls) {
            EXPECT_EQ(!row.calls[0] || row.calls[0] == L'v' ? row.calls : L"volume C:\\, " + std::wstring(row.calls),
                      scene.machine.calls);
        }
    }
}

TEST(SettingsCheck, AnswersRecordWhatWasAskedAndNothingElse)
{
    SettingsAnswers answers;
    SettingsVerdict question = {};
    for (UINT id : {kNewerVersionQuestion, kFolderExists, kAddressMismatch, kFatVolume}) {
        question.message.text_id = id;
        answers.Accept(question);
    }
    question.message.text_id = kPortInUse;
    question.port = 63;
    answers.Accept(question);
    EXPECT_TRUE(answers.newer_version && answers.existing_folder && answers.other_address);
    EXPECT_EQ(1ull << 63, answers.busy_ports);
}

TEST(CheckMessage, ShowsTheTextWithItsArgumentsTheMegabytesToFreeOrTheSystemsReason)
{
    const struct { CheckMessage message; std::wstring text; LPCWSTR icon; int pressed; } cases[] = {
        {{MB_OK | MB_ICONWARNING, kTooLittleSpace, 0, {L"C:"}},
         L"There is not enough a free space on a disk 'C:'! Please free 800 Mb or select another disk!", IDI_WARNING, IDOK},
        {{MB_YESNO | MB_ICONWARNING, kAddressMismatch, 0, {L"mail.example", L"any"}},
         L"The domain name 'mail.example' does not correspond to the selected IP address 'any'.", IDI_WARNING, IDNO},
        {{MB_OK | MB_ICONERROR, 0, ERROR_FILENAME_EXCED_RANGE, {}}, SystemErrorText(ERROR_FILENAME_EXCED_RANGE), IDI_ERROR, IDOK},
    };
    for (const auto& c : cases) {
        MessageBoxWatcher watcher(MessageBoxWatcher::DefaultAnswer);
        EXPECT_EQ(c.pressed, ShowCheckMessage(nullptr, c.message));
        std::vector<SeenMessageBox> seen = watcher.Seen();
        ASSERT_EQ(1u, seen.size());
        EXPECT_EQ(0u, seen[0].text.find(c.text)) << seen[0].text;
        EXPECT_EQ(L"Velmora Server Setup", seen[0].title);
        EXPECT_EQ(LoadIconW(nullptr, c.icon), seen[0].icon);
    }
}
