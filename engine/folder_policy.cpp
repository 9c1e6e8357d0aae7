#include "engine/folder_policy.h"

#include <aclapi.h>
#include <shlobj.h>

#include <string>
#include <utility>
#include <vector>

#include "base/bounded_text.h"
#include "base/canonical_folder.h"
#include "base/object_security.h"
#include "base/same_folder.h"
#include "base/scoped_handle.h"
#include "engine/folder_rights.h"

namespace {

// True when `folder` is `base` or lies below it.
bool IsAtOrBelow(const wchar_t* folder, const wchar_t* base)
{
    size_t length = wcslen(base);
    while (length > 0 && base[length - 1] == L'\\')
        --length;
    if (length == 0 || wcslen(folder) < length ||
        CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, folder, static_cast<int>(length), base,
                       static_cast<int>(length)) != CSTR_EQUAL)
        return false;
    return folder[length] == 0 || folder[length] == L'\\';
}

FolderVerdict Verdict(FolderRule rule, const wchar_t* path = L"")
{
    FolderVerdict verdict = {};
    verdict.rule = rule;
    CopyText(verdict.path, path);
    return verdict;
}

bool IsDriveRoot(const wchar_t* folder)
{
    return folder[0] && folder[1] == L':' && (folder[2] == 0 || (folder[2] == L'\\' && folder[3] == 0));
}

// The rule for one folder on the way, or for the existing folder itself (`itself`: only
// its owner counts, as the run gives it its rights).
bool RightsAllow(const wchar_t* path, bool folder, FolderFacts& facts, FolderVerdict& refusal)
{
    UniqueLocalMemory descriptor;
    DWORD error = 0;
    const FolderRule rule = folder ? FolderRule::kForeignOwner : FolderRule::kUntrustedAncestor;
    if (!facts.Security(path, descriptor, &error)) {
        refusal = Verdict(rule, path);
        FormatText(refusal.detail, MAX_PATH, L"error %lu", error);
        return false;
    }
    const DWORD rights = folder ? kReplaceRights : kReplaceRights | FILE_DELETE_CHILD;
    UntrustedRight found = FindUntrustedRight(descriptor.Get(), rights, facts.Account());
    if (!found.found || (folder && found.right != 0))
        return true;
    wchar_t trustee[MAX_PATH - 32] = {};
    facts.TrusteeName(found.trustee, trustee, MAX_PATH - 32);
    refusal = Verdict(rule, path);
    if (folder)
        CopyText(refusal.detail, trustee);
    else
        FormatText(refusal.detail, MAX_PATH, L"%s: %s", RightName(found.right), trustee);
    return false;
}

FolderRule SystemFolderRule(SystemFolderKind kind, const wchar_t* folder, const wchar_t* systemFolder)
{
    switch (kind) {
    case SystemFolderKind::kWindows:
        return IsAtOrBelow(folder, systemFolder) ? FolderRule::kWindowsFolder : FolderRule::kAllowed;
    case SystemFolderKind::kTemporary:
        return IsAtOrBelow(folder, systemFolder) ? FolderRule::kTemporaryFolder : FolderRule::kAllowed;
    case SystemFolderKind::kSetup:
        return SameFolder(folder, systemFolder) ? FolderRule::kSetupFolder : FolderRule::kAllowed;
    case SystemFolderKind::kShared:
        return SameFolder(folder, systemFolder) ? FolderRule::kSharedFolder : FolderRule::kAllowed;
    }
    return FolderRule::kAllowed;
}

} // namespace

FolderVerdict CheckFolderPolicy(const wchar_t* folder, bool installation, FolderFacts& facts)
{
    if (folder[0] == L'\\')
        return Verdict(FolderRule::kNetworkPath);
    if (IsDriveRoot(folder))
        return Verdict(FolderRule::kDriveRoot);
    const wchar_t root[] = {folder[0], L':', L'\\', 0};
    if (facts.IsNetworkDrive(root))
        return Verdict(FolderRule::kNetworkPath);

    SystemFolderKind kind = SystemFolderKind::kWindows;
    wchar_t systemFolder[MAX_PATH];
    for (size_t i = 0; facts.SystemFolderAt(i, &kind, systemFolder, MAX_PATH); ++i) {
        FolderRule rule = SystemFolderRule(kind, folder, systemFolder);
        if (rule != FolderRule::kAllowed)
            return Verdict(rule, systemFolder);
    }

    // Every folder on the way that exists, down to the folder itself: a link anywhere can
    // be turned to another place between the checks and the writes.
    wchar_t path[MAX_PATH];
    CopyText(path, folder);
    bool exists = true;
    for (size_t at = 3;; ++at) {
        const wchar_t kept = path[at];
        if (kept != L'\\' && kept != 0)
            continue;
        path[at] = 0;
        const DWORD attributes = facts.Attributes(path);
        path[at] = kept;
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            exists = false;
            break;
        }
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            path[at] = 0;
            return Verdict(FolderRule::kLink, path);
        }
        if (kept == 0)
            break;
    }
    // Every folder above that exists, the drive's root first: one that somebody else may
    // delete, rename or re-permission can be swapped under the run.
    FolderVerdict refusal = {};
    for (size_t at = 2; folder[at]; ++at) {
        if (folder[at] != L'\\')
            continue;
        CopyTextN(path, MAX_PATH, folder, at == 2 ? 3 : at);
        if (facts.Attributes(path) == INVALID_FILE_ATTRIBUTES)
            break;
        if (!RightsAllow(path, false, facts, refusal))
            return refusal;
    }
    if (!exists)
        return Verdict(FolderRule::kAllowed);
    if (!RightsAllow(folder, true, facts, refusal))
        return refusal;
    if (!installation && !facts.IsEmptyFolder(folder))
        return Verdict(FolderRule::kNotEmpty);
    return Verdict(FolderRule::kAllowed);
}

struct LocalFolderFacts::Folders
{
    alignas(SID) BYTE account[SECURITY_MAX_SID_SIZE] = {};

    std::vector<std::pair<SystemFolderKind, std::wstring>> list;

    void Add(SystemFolderKind kind, const wchar_t* named)
    {
        wchar_t folder[MAX_PATH];
        if (named && named[0] && CanonicalFolder(named, folder, MAX_PATH))
            list.emplace_back(kind, folder);
    }
    void AddShell(SystemFolderKind kind, int csidl)
    {
        wchar_t folder[MAX_PATH] = {};
        if (SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, folder)))
            Add(kind, folder);
    }
    void AddVariable(SystemFolderKind kind, const wchar_t* name)
    {
        wchar_t folder[MAX_PATH] = {};
        DWORD length = GetEnvironmentVariableW(name, folder, MAX_PATH);
        if (length > 0 && length < MAX_PATH)
            Add(kind, folder);
    }
    // Each value `name` of the key's subkeys (or of the key itself), its variables expanded.
    void AddRegistry(SystemFolderKind kind, const wchar_t* keyPath, const wchar_t* name, bool subkeys)
    {
        HKEY opened = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, &opened) != ERROR_SUCCESS)
            return;
        UniqueRegKey key(opened);
        if (!subkeys) {
            AddValue(kind, key.Get(), name);
            return;
        }
        wchar_t subkey[256];
        for (DWORD index = 0;; ++index) {
            DWORD length = 256;
            if (RegEnumKeyExW(key.Get(), index, subkey, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                return;
            HKEY child = nullptr;
            if (RegOpenKeyExW(key.Get(), subkey, 0, KEY_QUERY_VALUE, &child) != ERROR_SUCCESS)
                continue;
            UniqueRegKey profile(child);
            AddValue(kind, profile.Get(), name);
        }
    }
    // The text value `name`, its variables expanded, into MAX_PATH characters.
    static bool ReadValue(HKEY key, const wchar_t* name, wchar_t* expanded)
    {
        wchar_t value[MAX_PATH + 1] = {};
        DWORD bytes = MAX_PATH * sizeof(wchar_t);
        DWORD type = 0;
        if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &bytes) != ERROR_SUCCESS ||
            (type != REG_SZ && type != REG_EXPAND_SZ))
            return false;
        DWORD length = ExpandEnvironmentStringsW(value, expanded, MAX_PATH);
        return length > 0 && length <= MAX_PATH;
    }
    void AddValue(SystemFolderKind kind, HKEY key, const wchar_t* name)
    {
        wchar_t expanded[MAX_PATH] = {};
        if (ReadValue(key, name, expanded))
            Add(kind, expanded);
    }
    // The Users folder and the profiles of all users and of new users, as the profile list
    // names them: full paths since Vista, names within the Users folder on XP.
    void AddProfileFolders()
    {
        HKEY opened = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kProfileList, 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS)
            return;
        UniqueRegKey key(opened);
        AddValue(SystemFolderKind::kShared, key.Get(), L"ProfilesDirectory");
        AddValue(SystemFolderKind::kShared, key.Get(), L"Default");
        AddValue(SystemFolderKind::kShared, key.Get(), L"Public");
        wchar_t users[MAX_PATH] = {};
        wchar_t folder[MAX_PATH];
        wchar_t name[MAX_PATH + 1];
        if (ReadValue(key.Get(), L"ProfilesDirectory", users))
            for (const wchar_t* value : {L"AllUsersProfile", L"DefaultUserProfile"})
                if (ReadValue(key.Get(), value, name) && !wcschr(name, L'\\') &&
                    FormatText(folder, MAX_PATH, L"%s\\%s", users, name) < MAX_PATH - 1)
                    Add(SystemFolderKind::kShared, folder);
    }
    static constexpr wchar_t kProfileList[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
};

LocalFolderFacts::LocalFolderFacts(const wchar_t* setupDir) : folders_(new Folders)
{
    Folders& f = *folders_;
    AccountSidBuffer running;
    if (PSID account = RunningAccountSid(running))
        CopySid(SECURITY_MAX_SID_SIZE, f.account, account);
    wchar_t folder[MAX_PATH] = {};
    if (GetSystemWindowsDirectoryW(folder, MAX_PATH))
        f.Add(SystemFolderKind::kWindows, folder);
    if (GetWindowsDirectoryW(folder, MAX_PATH))
        f.Add(SystemFolderKind::kWindows, folder);
    if (GetTempPathW(MAX_PATH, folder))
        f.Add(SystemFolderKind::kTemporary, folder);
    f.AddVariable(SystemFolderKind::kTemporary, L"TEMP");
    f.AddVariable(SystemFolderKind::kTemporary, L"TMP");
    // The system's own, which SYSTEM and services use.
    const wchar_t environment[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
    f.AddRegistry(SystemFolderKind::kTemporary, environment, L"TEMP", false);
    f.AddRegistry(SystemFolderKind::kTemporary, environment, L"TMP", false);
    f.Add(SystemFolderKind::kSetup, setupDir);
    f.AddShell(SystemFolderKind::kShared, CSIDL_PROGRAM_FILES);
    f.AddShell(SystemFolderKind::kShared, CSIDL_PROGRAM_FILESX86);
    // A 32-bit setup on 64-bit Windows is shown the 32-bit folder; the other view's by name.
    f.AddVariable(SystemFolderKind::kShared, L"ProgramW6432");
    f.AddVariable(SystemFolderKind::kShared, L"ProgramFiles");
    f.AddVariable(SystemFolderKind::kShared, L"ProgramFiles(x86)");
    f.AddShell(SystemFolderKind::kShared, CSIDL_COMMON_APPDATA);
    f.AddShell(SystemFolderKind::kShared, CSIDL_PROFILE);
    f.AddProfileFolders();
    f.AddRegistry(SystemFolderKind::kShared, Folders::kProfileList, L"ProfileImagePath", true);
}

bool LocalFolderFacts::Security(const wchar_t* path, UniqueLocalMemory& descriptor, DWORD* error)
{
    PSECURITY_DESCRIPTOR read = nullptr;
    *error = GetNamedSecurityInfoW(path, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                   nullptr, nullptr, nullptr, nullptr, &read);
    if (*error != ERROR_SUCCESS)
        return false;
    descriptor.Reset(read);
    return true;
}

PSID LocalFolderFacts::Account()
{
    return IsValidSid(folders_->account) ? static_cast<PSID>(folders_->account) : nullptr;
}

void LocalFolderFacts::TrusteeName(PSID trustee, wchar_t* name, size_t capacity)
{
    NameTrustee(trustee, name, capacity);
}

LocalFolderFacts::~LocalFolderFacts()
{
    delete folders_;
}

bool LocalFolderFacts::SystemFolderAt(size_t index, SystemFolderKind* kind, wchar_t* folder, size_t capacity)
{
    if (index >= folders_->list.size())
        return false;
    *kind = folders_->list[index].first;
    CopyText(folder, capacity, folders_->list[index].second.c_str());
    return true;
}

bool LocalFolderFacts::IsNetworkDrive(const wchar_t* root)
{
    return GetDriveTypeW(root) == DRIVE_REMOTE;
}

DWORD LocalFolderFacts::Attributes(const wchar_t* path)
{
    return GetFileAttributesW(path);
}

bool LocalFolderFacts::IsEmptyFolder(const wchar_t* folder)
{
    wchar_t pattern[MAX_PATH];
    if (FormatText(pattern, MAX_PATH, L"%s\\*", folder) >= MAX_PATH - 1)
        return false;
    WIN32_FIND_DATAW found;
    UniqueFindHandle search(FindFirstFileW(pattern, &found));
    if (!search)
        return false;
    do {
        if (wcscmp(found.cFileName, L".") != 0 && wcscmp(found.cFileName, L"..") != 0)
            return false;
    } while (FindNextFileW(search.Get(), &found));
    // A listing cut short is no proof of an empty folder.
    return GetLastError() == ERROR_NO_MORE_FILES;
}
