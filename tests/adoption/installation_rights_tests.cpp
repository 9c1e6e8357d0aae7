// The rights of an adopted installation folder, object by object: a row per real-world tree
// over a fake machine; then this machine's listings, name counts and handles under Wine,
// and a foreign folder's own rights put back when the run is undone.
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "base/message_ids.h"
#include "base/object_security.h"
#include "base/scoped_seam.h"
#include "engine/installation_rights.h"
#include "engine/installation_rights_seams.h"
#include "engine/changes/change_transaction.h"
#include "engine/changes/folder_changes.h"
#include "support/at_scope_exit.h"
#include "support/host_link.h"
#include "support/security_text.h"
#include "support/temp_folder.h"

namespace {

const wchar_t kTop[] = L"D:\\Velmora";
const wchar_t kAccount[] = L"S-1-5-21-1-2-3-1000";
const DWORD kFile = FILE_ATTRIBUTE_ARCHIVE;
const DWORD kFolder = FILE_ATTRIBUTE_DIRECTORY;
const DWORD kReparse = FILE_ATTRIBUTE_REPARSE_POINT;

struct FakeObject
{
    const wchar_t* path;  // below kTop
    DWORD attributes;
    DWORD tag = 0;
    DWORD links = 1;
    const wchar_t* readBack = nullptr;  // owner and rights as they read after the change
    DWORD failure = 0;                  // of the change
    DWORD unlisted = 0;                 // of the folder's listing
};

// An installation folder on a machine whose objects are a table; what the walk changed, in
// order, is its log: "T" for the folder, "D" or "F" and the path for what lies below.
class FakeTree final : public TreeMachine
{
public:
    explicit FakeTree(const std::vector<FakeObject>& objects)
    {
        for (const FakeObject& object : objects)
            objects_[Full(object.path)] = object;
        ConvertStringSidToSidW(kAccount, &account_);
    }
    ~FakeTree() { LocalFree(account_); }

    bool List(const wchar_t* folder, std::vector<TreeObject>& listed) override
    {
        const auto self = objects_.find(folder);
        if (self != objects_.end() && self->second.unlisted) {
            SetLastError(self->second.unlisted);
            return false;
        }
        EXPECT_TRUE(self == objects_.end() || DecideTreeAction(self->second.attributes, self->second.tag, 1) ==
                                                  TreeAction::kProtectAndEnter)
            << "entered " << std::string(folder, folder + wcslen(folder)).c_str();
        const std::wstring prefix = std::wstring(folder) + L"\\";
        for (const auto& entry : objects_)
            if (entry.first.compare(0, prefix.size(), prefix) == 0 && entry.first.find(L'\\', prefix.size()) ==
                                                                          std::wstring::npos)
                listed.push_back({entry.first.substr(prefix.size()), entry.second.attributes, entry.second.tag});
        return true;
    }
    bool Links(const wchar_t* path, DWORD* links) override
    {
        *links = objects_.at(path).links;
        return true;
    }
    bool Protect(const wchar_t* path, RightsKind kind, DWORD, UniqueLocalMemory& now) override
    {
        const auto found = objects_.find(path);
        const FakeObject object = found != objects_.end() ? found->second : FakeObject{L"", kFolder};
        if (object.failure) {
            SetLastError(object.failure);
            return false;
        }
        if (!log_.empty())
            log_ += L" ";
        log_ += kind == RightsKind::kTop ? L"T" : (kind == RightsKind::kFolder ? L"D:" : L"F:") +
                                                      std::wstring(path + wcslen(kTop) + 1);
        return SecurityFromText(object.readBack ? object.readBack : L"O:BAD:PAI(A;;FA;;;BA)(A;;0x1200a9;;;BU)", now);
    }
    PSID Account() override { return account_; }
    void TrusteeName(PSID trustee, wchar_t* name, size_t capacity) override
    {
        wchar_t* text = nullptr;
        ConvertSidToStringSidW(trustee, &text);
        lstrcpynW(name, text, static_cast<int>(capacity));
        LocalFree(text);
    }

    const std::wstring& Log() const { return log_; }

private:
    static std::wstring Full(const wchar_t* path) { return std::wstring(kTop) + L"\\" + path; }

    std::map<std::wstring, FakeObject> objects_;
    PSID account_ = nullptr;
    std::wstring log_;
};

} // namespace

TEST(InstallationRights, EachObjectGetsItsRightsThroughNoLinkAndTheRightsAreChecked)
{
    const wchar_t* const kWritable = L"O:BAD:(A;;FA;;;BA)(A;;0x1201bf;;;BU)";
    const struct
    {
        const char* name;
        std::vector<FakeObject> tree;
        DWORD error;
        UINT message;
        const wchar_t *path, *detail, *log;  // path below kTop
        std::vector<std::wstring> leftAlone;
    } rows[] = {
        {"an earlier installation",
         {{L"Velmora.exe", kFile}, {L"sites", kFolder}, {L"sites\\a", kFolder}, {L"sites\\a\\site.conf", kFile}},
         0, 0, L"", L"", L"T F:Velmora.exe D:sites D:sites\\a F:sites\\a\\site.conf", {}},
        {"a junction two levels down, to the system's folder",
         {{L"sites", kFolder}, {L"sites\\data", kFolder | kReparse, IO_REPARSE_TAG_MOUNT_POINT}},
         ERROR_CANT_ACCESS_FILE, kFolderHoldsLink, L"sites\\data", L"", L"T D:sites", {}},
        {"a file's symbolic link",
         {{L"Velmora.exe", kFile | kReparse, IO_REPARSE_TAG_SYMLINK}},
         ERROR_CANT_ACCESS_FILE, kFolderHoldsLink, L"Velmora.exe", L"", L"T", {}},
        {"a reparse point whose kind the listing does not tell",
         {{L"x", kFile | kReparse, 0}}, ERROR_CANT_ACCESS_FILE, kFolderHoldsLink, L"x", L"", L"T", {}},
        {"a deduplicated file is a file",
         {{L"server.dll", kFile | kReparse, 0x80000013}}, 0, 0, L"", L"", L"T F:server.dll", {}},
        {"a file with a name elsewhere keeps its rights",
         {{L"Velmora.exe", kFile, 0, 2}, {L"server.dll", kFile}}, 0, 0, L"", L"", L"T F:server.dll",
         {std::wstring(kTop) + L"\\Velmora.exe"}},
        {"a file's rights that leave users writing",
         {{L"sites", kFolder}, {L"sites\\site.conf", kFile, 0, 1, kWritable}},
         ERROR_ACCESS_DENIED, kFolderRightsDidNotTake, L"sites\\site.conf", L"FILE_WRITE_DATA: S-1-5-32-545",
         L"T D:sites F:sites\\site.conf", {}},
        {"a drive that keeps no rights list",
         {{L"Velmora.exe", kFile, 0, 1, L"O:BA"}},
         ERROR_ACCESS_DENIED, kFolderRightsDidNotTake, L"Velmora.exe", L"WRITE_DAC: S-1-1-0", L"T F:Velmora.exe", {}},
        {"an owner that stayed a user",
         {{L"Velmora.exe", kFile, 0, 1, L"O:S-1-5-21-9-9-9-1001D:P(A;;FA;;;BA)"}},
         ERROR_ACCESS_DENIED, kFolderRightsDidNotTake, L"Velmora.exe", L"owner: S-1-5-21-9-9-9-1001",
         L"T F:Velmora.exe", {}},
        {"the running account as owner",
         {{L"Velmora.exe", kFile, 0, 1, L"O:S-1-5-21-1-2-3-1000D:P(A;;FA;;;S-1-5-21-1-2-3-1000)"}},
         0, 0, L"", L"", L"T F:Velmora.exe", {}},
        {"an object changed under the walk",
         {{L"sites", kFolder, 0, 1, nullptr, ERROR_FILE_INVALID}, {L"sites\\site.conf", kFile}},
         ERROR_FILE_INVALID, 0, L"sites", L"", L"T", {}},
        {"a folder that cannot be listed",
         {{L"logs", kFolder, 0, 1, nullptr, 0, ERROR_ACCESS_DENIED}, {L"logs\\old", kFile}},
         ERROR_ACCESS_DENIED, 0, L"logs", L"", L"T D:logs", {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        FakeTree tree(row.tree);
        const TreeRightsResult result = ProtectInstallationTree(kTop, tree);
        EXPECT_EQ(row.error, result.error);
        EXPECT_EQ(row.message, result.message);
        EXPECT_EQ(row.error ? std::wstring(kTop) + L"\\" + row.path : L"", result.path);
        EXPECT_EQ(row.detail, result.detail);
        EXPECT_EQ(row.log, tree.Log());
        EXPECT_EQ(row.leftAlone, result.leftAlone);
    }
}

namespace {

// What the rights calls were handed, as text, in order.
std::vector<std::wstring> g_setRights;

BOOL WINAPI RecordSetRights(HANDLE, SECURITY_INFORMATION what, PSECURITY_DESCRIPTOR descriptor)
{
    wchar_t* text = nullptr;
    ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1, what, &text, nullptr);
    g_setRights.push_back(text ? text : L"<unreadable>");
    LocalFree(text);
    return TRUE;
}

} // namespace

// This machine tells a host link, a file's second name and an object that changed kind;
// the walk closes a real tree and stops at a link in it; a foreign folder's own owner and
// rights go back as they were read when the run is undone. Wine keeps no rights: what was set shows at the seam.
TEST(InstallationRights, ThisMachinesObjectsAndAForeignFoldersRightsPutBack)
{
    TempFolder temp(L"rights");
    const std::wstring top = temp.File(L"Velmora");
    ASSERT_TRUE(CreateDirectoryW(top.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((top + L"\\sites").c_str(), nullptr));
    ASSERT_TRUE(WriteWholeFile(top + L"\\Velmora.exe", "MZ"));
    ASSERT_TRUE(WriteWholeFile(top + L"\\sites\\site.conf", "x"));
    ASSERT_TRUE(WriteWholeFile(temp.File(L"elsewhere"), "y"));
    ASSERT_TRUE(CreateHardLinkW((top + L"\\sites\\second.conf").c_str(), temp.File(L"elsewhere").c_str(), nullptr));

    LocalTreeMachine machine;
    DWORD links = 0;
    ASSERT_TRUE(machine.Links((top + L"\\sites\\second.conf").c_str(), &links));
    EXPECT_EQ(2u, links);
    ASSERT_TRUE(machine.Links((top + L"\\Velmora.exe").c_str(), &links));
    EXPECT_EQ(1u, links);
    UniqueLocalMemory now;
    EXPECT_FALSE(machine.Protect((top + L"\\Velmora.exe").c_str(), RightsKind::kFolder, kFolder, now));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_INVALID), GetLastError()) << "a file where the listing showed a folder";
    EXPECT_FALSE(machine.Protect((top + L"\\sites\\second.conf").c_str(), RightsKind::kFile, kFile, now));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_INVALID), GetLastError()) << "a file that got a second name";

    {
        ScopedSeam seam(g_setObjectSecurityCall, RecordSetRights);
        g_setRights.clear();
        const TreeRightsResult result = ProtectInstallationTree(top.c_str(), machine);
        EXPECT_EQ(0u, result.error) << result.path.c_str();
        EXPECT_EQ(std::vector<std::wstring>{top + L"\\sites\\second.conf"}, result.leftAlone);
        std::vector<std::wstring> set = {
            L"O:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)",
            L"O:BAD:AI(A;OICIID;FA;;;SY)(A;OICIID;FA;;;BA)(A;OICIID;0x1200a9;;;BU)",
            L"O:BAD:AI(A;ID;FA;;;SY)(A;ID;FA;;;BA)(A;ID;0x1200a9;;;BU)",
            L"O:BAD:AI(A;ID;FA;;;SY)(A;ID;FA;;;BA)(A;ID;0x1200a9;;;BU)",
        };
        // In the listing's order below the folder, which comes first.
        ASSERT_FALSE(g_setRights.empty());
        EXPECT_EQ(set[0], g_setRights[0]);
        std::sort(set.begin(), set.end());
        std::sort(g_setRights.begin(), g_setRights.end());
        EXPECT_EQ(set, g_setRights) << "the folder, sites, Velmora.exe, site.conf; the second name is left";
    }

    // A host link inside, which this Wine shows as a reparse point: the walk stops there.
    TempFolder outside(L"rights outside");
    const std::wstring link = top + L"\\sites\\data";
    ASSERT_NO_FATAL_FAILURE(RunHost(L"ln", L"-s", {outside.Path(), link}));
    AtScopeExit unlink([&] { RunHost(L"rm", L"", {link}); });
    ASSERT_TRUE(IsLink(link));
    {
        ScopedSeam seam(g_setObjectSecurityCall, RecordSetRights);
        const TreeRightsResult result = ProtectInstallationTree(top.c_str(), machine);
        EXPECT_EQ(kFolderHoldsLink, result.message);
        EXPECT_EQ(link, result.path);
    }

    // Somebody else's empty folder gets back what was read when the run is undone; the
    // run's own earlier installation keeps the rights it got.
    const std::wstring foreign = temp.File(L"foreign");
    ASSERT_TRUE(CreateDirectoryW(foreign.c_str(), nullptr));
    const std::wstring before = FileRights(foreign, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION);
    ScopedSeam seam(g_setObjectSecurityCall, RecordSetRights);
    for (bool isForeign : {true, false}) {
        SCOPED_TRACE(isForeign ? "foreign" : "an earlier installation");
        g_setRights.clear();
        TreeRightsResult result;
        ChangeTransaction changes;
        EXPECT_TRUE(changes.Apply(new FolderRightsChange(foreign.c_str(), isForeign, result)));
        EXPECT_EQ(0u, result.error);
        changes.RollBack();
        std::vector<std::wstring> set = {L"O:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)"};
        if (isForeign)
            set.push_back(before);
        EXPECT_EQ(set, g_setRights);
    }
}
