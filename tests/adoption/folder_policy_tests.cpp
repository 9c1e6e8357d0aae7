// Which folders the setup may install into: a row per real-world case over a fake
// machine's named folders, drives, links and contents; then this machine's named folders
// and a host link under Wine.
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "base/bounded_text.h"
#include "base/canonical_folder.h"
#include "base/object_security.h"
#include "engine/folder_policy.h"
#include "support/at_scope_exit.h"
#include "support/enum_printers.h"
#include "support/host_link.h"
#include "support/temp_folder.h"

namespace {

// A Windows 7 machine on 64 bits, as the system names its folders; the setup was started
// from the administrator's downloads.
class FakeFolders final : public FolderFacts
{
public:
    std::vector<std::pair<SystemFolderKind, std::wstring>> named = {
        {SystemFolderKind::kWindows, L"C:\\Windows"},
        {SystemFolderKind::kTemporary, L"C:\\Users\\admin\\AppData\\Local\\Temp"},
        {SystemFolderKind::kTemporary, L"C:\\Windows\\Temp"},
        {SystemFolderKind::kSetup, L"C:\\Users\\admin\\Downloads"},
        {SystemFolderKind::kShared, L"C:\\Program Files"},
        {SystemFolderKind::kShared, L"C:\\Program Files (x86)"},
        {SystemFolderKind::kShared, L"C:\\ProgramData"},
        {SystemFolderKind::kShared, L"C:\\Users"},
        {SystemFolderKind::kShared, L"C:\\Users\\admin"},
        {SystemFolderKind::kShared, L"C:\\Users\\Public"},
    };
    std::set<std::wstring> networkDrives = {L"N:\\"};
    std::map<std::wstring, DWORD> existing = {{L"C:", FILE_ATTRIBUTE_DIRECTORY}};  // the rest does not exist
    std::set<std::wstring> holdingFiles;
    // Owner and rights by folder, as the system's text form; the others are as Windows sets
    // its own folders. An empty text cannot be read.
    std::map<std::wstring, std::wstring> security;
    const wchar_t* usual = L"O:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

    bool SystemFolderAt(size_t index, SystemFolderKind* kind, wchar_t* folder, size_t capacity) override
    {
        if (index >= named.size())
            return false;
        *kind = named[index].first;
        CopyText(folder, capacity, named[index].second.c_str());
        return true;
    }
    bool IsNetworkDrive(const wchar_t* root) override { return networkDrives.count(root) != 0; }
    DWORD Attributes(const wchar_t* path) override
    {
        auto it = existing.find(path);
        return it == existing.end() ? INVALID_FILE_ATTRIBUTES : it->second;
    }
    bool IsEmptyFolder(const wchar_t* folder) override { return holdingFiles.count(folder) == 0; }
    bool Security(const wchar_t* path, UniqueLocalMemory& descriptor, DWORD* error) override
    {
        auto it = security.find(path);
        const std::wstring text = it == security.end() ? usual : it->second;
        *error = ERROR_ACCESS_DENIED;
        if (text == L"no rights list")
            return WithoutRightsList(descriptor);
        return !text.empty() && SecurityFromText(text.c_str(), descriptor);
    }
    FakeFolders() { ConvertStringSidToSidW(L"S-1-5-21-9-9-9-500", &account_); }  // the administrator running the setup
    ~FakeFolders() { LocalFree(account_); }

    bool noAccount = false;  // the running account could not be told
    PSID Account() override { return noAccount ? nullptr : account_; }
    void TrusteeName(PSID trustee, wchar_t* name, size_t capacity) override
    {
        wchar_t* text = nullptr;
        EXPECT_TRUE(ConvertSidToStringSidW(trustee, &text));  // the policy goes on with the name
        CopyText(name, capacity, text ? text : L"");
        LocalFree(text);
    }

    // `path` and the folders above it exist.
    void Folders(const std::wstring& path, DWORD attributes = FILE_ATTRIBUTE_DIRECTORY)
    {
        for (size_t at = path.find(L'\\', 3); at != std::wstring::npos; at = path.find(L'\\', at + 1))
            existing.emplace(path.substr(0, at), FILE_ATTRIBUTE_DIRECTORY);
        existing[path] = attributes;
    }

private:
    // Administrators' folder with no rights list at all (which this Wine's text form cannot
    // make: it reads "D:NO_ACCESS_CONTROL" as an empty list).
    static bool WithoutRightsList(UniqueLocalMemory& descriptor)
    {
        SECURITY_DESCRIPTOR absolute;
        BYTE owner[SECURITY_MAX_SID_SIZE];
        DWORD ownerSize = sizeof(owner);
        if (!InitializeSecurityDescriptor(&absolute, SECURITY_DESCRIPTOR_REVISION) ||
            !CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, owner, &ownerSize) ||
            !SetSecurityDescriptorOwner(&absolute, owner, FALSE) ||
            !SetSecurityDescriptorDacl(&absolute, TRUE, nullptr, FALSE))
            return false;
        DWORD size = 0;
        MakeSelfRelativeSD(&absolute, nullptr, &size);
        descriptor.Reset(LocalAlloc(LMEM_FIXED, size));
        return descriptor && MakeSelfRelativeSD(&absolute, descriptor.Get(), &size);
    }
    PSID account_ = nullptr;
};

const wchar_t* const kRuleNames[] = {L"allowed",      L"drive root",  L"network path",
                                     L"Windows folder", L"temporary folder", L"setup folder",
                                     L"shared folder", L"link",        L"untrusted ancestor",
                                     L"foreign owner", L"not empty"};

std::wstring Outcome(const FolderVerdict& verdict)
{
    std::wstring text = kRuleNames[static_cast<int>(verdict.rule)];
    if (verdict.path[0])
        text += std::wstring(L" ") + verdict.path;
    if (verdict.detail[0])
        text += std::wstring(L" (") + verdict.detail + L")";
    return text;
}

const wchar_t kUser[] = L"S-1-5-21-1-2-3-1001";
// "D:\Servers\Velmora" exists, with `servers` as the rights of D:\Servers.
std::function<void(FakeFolders&)> Servers(const std::wstring& servers, const std::wstring& root = L"")
{
    return [=](FakeFolders& f) {
        f.Folders(L"D:\\Servers");
        f.security[L"D:\\Servers"] = servers;
        if (!root.empty())
            f.security[L"D:\\"] = root;
        f.existing[L"D:\\"] = FILE_ATTRIBUTE_DIRECTORY;
    };
}

const DWORD kLink = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
const wchar_t kTarget[] = L"D:\\Servers\\Velmora";

// `path` and the folders above it exist.
std::function<void(FakeFolders&)> Made(const wchar_t* path, DWORD attributes = FILE_ATTRIBUTE_DIRECTORY)
{
    return [=](FakeFolders& f) { f.Folders(path, attributes); };
}

// The installation folder exists, with `security` as its owner and rights, or with files in it.
std::function<void(FakeFolders&)> Target(const std::wstring& security, bool holdingFiles = false)
{
    return [=](FakeFolders& f) {
        f.Folders(kTarget);
        if (!security.empty())
            f.security[kTarget] = security;
        if (holdingFiles)
            f.holdingFiles.insert(kTarget);
    };
}

struct Row
{
    const char* what;
    const wchar_t* folder;  // in its full long form, as the settings page hands it on
    std::function<void(FakeFolders&)> arrange;
    std::wstring outcome;
    bool installation = false;
};

const Row kRows[] = {
    {"a new folder on a data drive", kTarget, nullptr, L"allowed"},
    {"a new folder below Program Files", L"C:\\Program Files\\Velmora", Made(L"C:\\Program Files"), L"allowed"},
    {"... below the 32-bit Program Files", L"C:\\Program Files (x86)\\Velmora",
     Made(L"C:\\Program Files (x86)"), L"allowed"},
    {"C:\\", L"C:\\", nullptr, L"drive root"},
    {"a drive root of another letter", L"E:\\", nullptr, L"drive root"},
    {"a share", L"\\\\fileserver\\apps\\Velmora", nullptr, L"network path"},
    {"a mapped network drive", L"N:\\Velmora", nullptr, L"network path"},
    {"the Windows folder", L"C:\\Windows", nullptr, L"Windows folder C:\\Windows"},
    {"System32, in other case", L"c:\\WINDOWS\\system32", nullptr, L"Windows folder C:\\Windows"},
    {"C:\\Windows\\Temp\\x", L"C:\\Windows\\Temp\\x", nullptr, L"Windows folder C:\\Windows"},
    {"a folder whose name starts like Windows'", L"C:\\Windows2\\Velmora", nullptr, L"allowed"},
    {"the account's temporary folder and below", L"C:\\Users\\admin\\AppData\\Local\\Temp\\Velmora",
     nullptr, L"temporary folder C:\\Users\\admin\\AppData\\Local\\Temp"},
    {"the folder setup.exe runs from", L"C:\\Users\\admin\\Downloads", nullptr,
     L"setup folder C:\\Users\\admin\\Downloads"},
    {"... a folder below it is the administrator's choice", L"C:\\Users\\admin\\Downloads\\Velmora",
     nullptr, L"allowed"},
    {"Program Files itself", L"C:\\Program Files", nullptr, L"shared folder C:\\Program Files"},
    {"the 32-bit Program Files itself", L"C:\\Program Files (x86)", nullptr, L"shared folder C:\\Program Files (x86)"},
    {"ProgramData itself", L"C:\\ProgramData", nullptr, L"shared folder C:\\ProgramData"},
    {"the Users folder itself", L"C:\\Users", nullptr, L"shared folder C:\\Users"},
    {"a profile", L"C:\\Users\\admin", nullptr, L"shared folder C:\\Users\\admin"},
    {"Windows XP's names, as that system gives them", L"C:\\Documents and Settings\\All Users\\Application Data",
     [](FakeFolders& f) {
         f.named = {{SystemFolderKind::kWindows, L"C:\\WINDOWS"},
                    {SystemFolderKind::kShared, L"C:\\Documents and Settings\\All Users\\Application Data"}};
     },
     L"shared folder C:\\Documents and Settings\\All Users\\Application Data"},
    {"the folder itself a junction", kTarget, Made(kTarget, kLink), L"link D:\\Servers\\Velmora"},
    {"a junction two levels up", L"D:\\Apps\\Servers\\Velmora",
     [](FakeFolders& f) { f.Folders(L"D:\\Apps\\Servers"), f.existing[L"D:\\Apps"] = kLink; }, L"link D:\\Apps"},
    {"a link in the part that exists, the rest still to be made", L"D:\\Apps\\New\\Velmora",
     Made(L"D:\\Apps", kLink), L"link D:\\Apps"},
    {"an existing empty folder keeps its question", kTarget, Target(L""), L"allowed"},
    {"an existing folder with another program's files", kTarget, Target(L"", true), L"not empty"},
    {"... the files of this run's own installation", kTarget, Target(L"", true), L"allowed", true},
    // The folders above, each as its rights were found.
    {"D:\\Servers\\Velmora under an ancestor users may rename", kTarget,
     Servers(L"O:BAD:(A;;FA;;;SY)(A;;0x1301bf;;;BU)"), L"untrusted ancestor D:\\Servers (DELETE: S-1-5-32-545)"},
    {"... that users may give other rights", kTarget, Servers(L"O:BAD:(A;;WD;;;AU)"),
     L"untrusted ancestor D:\\Servers (WRITE_DAC: S-1-5-11)"},
    {"... that users may take", kTarget, Servers(L"O:BAD:(A;;WO;;;WD)"),
     L"untrusted ancestor D:\\Servers (WRITE_OWNER: S-1-1-0)"},
    {"... with full control for everyone in generic form", kTarget, Servers(L"O:BAD:(A;;GA;;;WD)"),
     L"untrusted ancestor D:\\Servers (DELETE: S-1-1-0)"},
    {"... that a user owns", kTarget, Servers(std::wstring(L"O:") + kUser + L"D:(A;;FA;;;BA)"),
     std::wstring(L"untrusted ancestor D:\\Servers (owner: ") + kUser + L")"},
    {"... whose rights nobody set: everybody may do everything", kTarget,
     Servers(L"no rights list"), L"untrusted ancestor D:\\Servers (WRITE_DAC: S-1-1-0)"},
    {"... whose rights cannot be read", kTarget, Servers(L""), L"untrusted ancestor D:\\Servers (error 5)"},
    {"a drive whose root lets users delete what lies in it", kTarget,
     Servers(L"O:BAD:(A;;FA;;;BA)", L"O:BAD:(A;;FA;;;BA)(A;;0x40;;;BU)"),
     L"untrusted ancestor D:\\ (FILE_DELETE_CHILD: S-1-5-32-545)"},
    {"a root as Windows sets C:\\: users make folders, and own only what they make", kTarget,
     Servers(L"O:SYD:(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1200a9;;;BU)",
             L"O:S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"
             L"D:(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1200a9;;;BU)(A;;0x4;;;AU)(A;OICIIO;SDGXGWGR;;;AU)(A;OICIIO;GA;;;CO)"),
     L"allowed"},
    {"... an ancestor that the administrator running the setup owns", kTarget,
     Servers(L"O:S-1-5-21-9-9-9-500D:(A;;FA;;;S-1-5-21-9-9-9-500)(A;;0x1200a9;;;BU)"), L"allowed"},
    {"... the user's rights denied are not counted on", kTarget,
     Servers(L"O:BAD:(D;;SD;;;BU)(A;;0x1301bf;;;BU)"), L"untrusted ancestor D:\\Servers (DELETE: S-1-5-32-545)"},
    // Trusted are SYSTEM, Administrators, TrustedInstaller and the running account alone.
    {"... that a service with a number next to TrustedInstaller's owns", kTarget,
     Servers(L"O:S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478465D:(A;;FA;;;BA)"),
     L"untrusted ancestor D:\\Servers (owner: S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478465)"},
    {"... that another account of the running one's domain owns", kTarget,
     Servers(L"O:S-1-5-21-9-9-9-501D:(A;;FA;;;BA)"), L"untrusted ancestor D:\\Servers (owner: S-1-5-21-9-9-9-501)"},
    {"... that CREATOR OWNER may change itself", kTarget, Servers(L"O:BAD:(A;;FA;;;CO)"),
     L"untrusted ancestor D:\\Servers (DELETE: S-1-3-0)"},
    {"... the running account's, when the account cannot be told", kTarget,
     [](FakeFolders& f) { Servers(L"O:S-1-5-21-9-9-9-500D:(A;;FA;;;BA)")(f), f.noAccount = true; },
     L"untrusted ancestor D:\\Servers (owner: S-1-5-21-9-9-9-500)"},
    {"an existing empty folder that a user owns", kTarget,
     Target(std::wstring(L"O:") + kUser + L"D:(A;;FA;;;" + kUser + L")"),
     std::wstring(L"foreign owner D:\\Servers\\Velmora (") + kUser + L")"},
    {"... an empty folder of ours that users may write in: its rights are replaced", kTarget,
     Target(L"O:BAD:(A;;FA;;;BU)"), L"allowed"},
    {"... an own installation below a link is still refused", kTarget,
     [](FakeFolders& f) { f.Folders(kTarget), f.existing[L"D:\\Servers"] = kLink; },
     L"link D:\\Servers", true},
};

} // namespace

TEST(FolderPolicy, EachRefusalHasItsRuleAndNamesWhatItFound)
{
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.what);
        FakeFolders facts;
        if (row.arrange)
            row.arrange(facts);
        EXPECT_EQ(row.outcome, Outcome(CheckFolderPolicy(row.folder, row.installation, facts)));
    }
}

// This machine names its folders, each in its full long form.
TEST(FolderPolicy, ThisMachinesFoldersAndAHostLink)
{
    TempFolder setupDir(L"policy setup");
    LocalFolderFacts facts(setupDir.Path().c_str());
    wchar_t windows[MAX_PATH] = {}, temp[MAX_PATH] = {}, programFiles[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    GetTempPathW(MAX_PATH, temp);
    CanonicalFolder(temp, temp, MAX_PATH);
    ExpandEnvironmentStringsW(L"%ProgramFiles%", programFiles, MAX_PATH);
    const struct { std::wstring folder; FolderRule rule; } cases[] = {
        {windows, FolderRule::kWindowsFolder},
        {std::wstring(windows) + L"\\System32", FolderRule::kWindowsFolder},
        {std::wstring(temp) + L"\\Velmora", FolderRule::kTemporaryFolder},
        {setupDir.Path(), FolderRule::kSetupFolder},
        {setupDir.File(L"Velmora"), FolderRule::kAllowed},
        {programFiles, FolderRule::kSharedFolder},
        {std::wstring(programFiles) + L"\\Velmora-policy-new", FolderRule::kAllowed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        wchar_t folder[MAX_PATH] = {};
        ASSERT_TRUE(CanonicalFolder(c.folder.c_str(), folder, MAX_PATH));
        EXPECT_EQ(c.rule, CheckFolderPolicy(folder, false, facts).rule);
    }
    // A folder below a host link, which this Wine shows as a reparse point.
    TempFolder target(L"policy target");
    const std::wstring root = std::wstring(programFiles) + L"\\velmora-policy-link";
    ASSERT_NO_FATAL_FAILURE(RunHost(L"ln", L"-s", {target.Path(), root}));
    AtScopeExit unlink([&] { RunHost(L"rm", L"", {root}); });
    ASSERT_TRUE(IsLink(root));
    FolderVerdict verdict = CheckFolderPolicy((root + L"\\Velmora").c_str(), false, facts);
    EXPECT_EQ(FolderRule::kLink, verdict.rule);
    EXPECT_EQ(root, verdict.path);
    // An empty folder and one that holds a file.
    EXPECT_TRUE(facts.IsEmptyFolder(target.Path().c_str()));
    ASSERT_TRUE(WriteWholeFile(target.File(L"a"), "x"));
    EXPECT_FALSE(facts.IsEmptyFolder(target.Path().c_str()));
    // Wine makes owner and rights up from the file's mode: an existing folder of the test's
    // own passes as the running account's.
    EXPECT_EQ(FolderRule::kAllowed, CheckFolderPolicy(target.Path().c_str(), true, facts).rule)
        << CheckFolderPolicy(target.Path().c_str(), true, facts).detail;
}
