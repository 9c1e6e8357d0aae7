#include "engine/installation_rights.h"

#include "base/bounded_text.h"
#include "base/protected_folder.h"
#include "base/scoped_privileges.h"
#include "base/setup_log.h"
#include "base/message_ids.h"
#include "engine/folder_rights.h"
#include "engine/installation_rights_seams.h"

SetObjectSecurityCall g_setObjectSecurityCall = SetKernelObjectSecurity;

namespace {

// To open what the run's account may not, and to name an owner other than itself.
const wchar_t* const kRightsPrivileges[] = {SE_BACKUP_NAME, SE_RESTORE_NAME, SE_TAKE_OWNERSHIP_NAME};

const SECURITY_INFORMATION kOwnerAndRights = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;

bool IsFolder(DWORD attributes)
{
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Opens the object `path` itself, a link not followed, a folder as well as a file.
UniqueHandle OpenObject(const wchar_t* path, DWORD access)
{
    return UniqueHandle(CreateFileW(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
                                    nullptr));
}

// The owner and rights of the open object, in memory that frees itself.
bool ReadSecurity(HANDLE object, UniqueLocalMemory& descriptor)
{
    DWORD size = 0;
    GetKernelObjectSecurity(object, kOwnerAndRights, nullptr, 0, &size);
    if (size == 0)
        return false;
    descriptor.Reset(LocalAlloc(LPTR, size));
    return descriptor.Get() && GetKernelObjectSecurity(object, kOwnerAndRights, descriptor.Get(), size, &size);
}

TreeRightsResult Stopped(DWORD error, UINT message, const std::wstring& path)
{
    TreeRightsResult result = {};
    result.error = error;
    result.message = message;
    result.path = path;
    return result;
}

// Gives one object its rights and checks that they took; false with `result` filled.
bool ProtectObject(const std::wstring& path, RightsKind kind, DWORD attributes, TreeMachine& machine,
                   TreeRightsResult& result)
{
    UniqueLocalMemory now;
    if (!machine.Protect(path.c_str(), kind, attributes, now)) {
        result = Stopped(GetLastError(), 0, path);
        return false;
    }
    const UntrustedRight found = FindUntrustedRight(now.Get(), kChangeRights, machine.Account());
    if (!found.found)
        return true;
    result = Stopped(ERROR_ACCESS_DENIED, kFolderRightsDidNotTake, path);
    wchar_t trustee[MAX_PATH] = {};
    machine.TrusteeName(found.trustee, trustee, MAX_PATH);
    wchar_t detail[MAX_PATH + 32] = {};
    FormatText(detail, MAX_PATH + 32, L"%s: %s", RightName(found.right), trustee);
    result.detail = detail;
    return false;
}

} // namespace

TreeAction DecideTreeAction(DWORD attributes, DWORD reparseTag, DWORD links)
{
    // A reparse point whose tag names no other place is its object's own business; one
    // without a tag cannot be told apart from a link, and so counts as one.
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) && (reparseTag == 0 || IsReparseTagNameSurrogate(reparseTag)))
        return TreeAction::kStop;
    if (IsFolder(attributes))
        return TreeAction::kProtectAndEnter;
    return links > 1 ? TreeAction::kLeave : TreeAction::kProtect;
}

TreeRightsResult ProtectInstallationTree(const wchar_t* folder, TreeMachine& machine)
{
    TreeRightsResult result = {};
    if (!ProtectObject(folder, RightsKind::kTop, FILE_ATTRIBUTE_DIRECTORY, machine, result))
        return result;
    std::vector<std::wstring> toEnter(1, folder);
    std::vector<TreeObject> objects;
    while (!toEnter.empty()) {
        const std::wstring current = toEnter.back();
        toEnter.pop_back();
        objects.clear();
        if (!machine.List(current.c_str(), objects))
            return Stopped(GetLastError(), 0, current);
        for (const TreeObject& object : objects) {
            const std::wstring path = current + L"\\" + object.name;
            DWORD links = 1;
            const bool plainFile = !IsFolder(object.attributes) && !(object.attributes & FILE_ATTRIBUTE_REPARSE_POINT);
            if (plainFile && !machine.Links(path.c_str(), &links))
                return Stopped(GetLastError(), 0, path);
            switch (DecideTreeAction(object.attributes, object.reparseTag, links)) {
            case TreeAction::kStop:
                return Stopped(ERROR_CANT_ACCESS_FILE, kFolderHoldsLink, path);
            case TreeAction::kLeave:
                result.leftAlone.push_back(path);
                break;
            case TreeAction::kProtect:
                if (!ProtectObject(path, RightsKind::kFile, object.attributes, machine, result))
                    return result;
                break;
            case TreeAction::kProtectAndEnter:
                if (!ProtectObject(path, RightsKind::kFolder, object.attributes, machine, result))
                    return result;
                toEnter.push_back(path);
                break;
            }
        }
    }
    return result;
}

bool LocalTreeMachine::List(const wchar_t* folder, std::vector<TreeObject>& objects)
{
    WIN32_FIND_DATAW found;
    UniqueFindHandle search(FindFirstFileW((std::wstring(folder) + L"\\*").c_str(), &found));
    if (!search)
        return false;
    do {
        if (lstrcmpW(found.cFileName, L".") == 0 || lstrcmpW(found.cFileName, L"..") == 0)
            continue;
        const DWORD tag = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? found.dwReserved0 : 0;
        objects.push_back({found.cFileName, found.dwFileAttributes, tag});
    } while (FindNextFileW(search.Get(), &found));
    return GetLastError() == ERROR_NO_MORE_FILES;
}

bool LocalTreeMachine::Links(const wchar_t* path, DWORD* links)
{
    UniqueHandle object = OpenObject(path, FILE_READ_ATTRIBUTES);
    BY_HANDLE_FILE_INFORMATION information;
    if (!object || !GetFileInformationByHandle(object.Get(), &information))
        return false;
    *links = information.nNumberOfLinks;
    return true;
}

bool LocalTreeMachine::Protect(const wchar_t* path, RightsKind kind, DWORD attributes, UniqueLocalMemory& now)
{
    UniqueHandle object = OpenObject(path, READ_CONTROL | WRITE_DAC | WRITE_OWNER | FILE_READ_ATTRIBUTES);
    BY_HANDLE_FILE_INFORMATION information;
    if (!object || !GetFileInformationByHandle(object.Get(), &information))
        return false;
    // Looked at through this handle, so the rights go to what was checked.
    const DWORD kindBits = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
    if ((information.dwFileAttributes & kindBits) != (attributes & kindBits) ||
        (!IsFolder(attributes) && information.nNumberOfLinks > 1)) {
        SetLastError(ERROR_FILE_INVALID);
        return false;
    }
    const wchar_t* text = kind == RightsKind::kTop      ? kProtectedFolderRights
                          : kind == RightsKind::kFolder ? kInheritedFolderRights
                                                        : kInheritedFileRights;
    UniqueLocalMemory wanted;
    return SecurityFromText(text, wanted) && g_setObjectSecurityCall(object.Get(), kOwnerAndRights, wanted.Get()) &&
           ReadSecurity(object.Get(), now);
}

PSID LocalTreeMachine::Account()
{
    if (!accountRead_) {
        accountRead_ = true;
        accountSid_ = RunningAccountSid(account_);
    }
    return accountSid_;
}

void LocalTreeMachine::TrusteeName(PSID trustee, wchar_t* name, size_t capacity)
{
    NameTrustee(trustee, name, capacity);
}

TreeRightsResult ProtectAdoptedFolder(const wchar_t* folder)
{
    ScopedPrivileges privileges(kRightsPrivileges);
    if (!privileges.Held())
        return Stopped(GetLastError(), 0, folder);
    LocalTreeMachine machine;
    TreeRightsResult result = ProtectInstallationTree(folder, machine);
    for (const std::wstring& path : result.leftAlone)
        g_setupLog.Line(L"rights: \"%s\" has other names and keeps its rights", path.c_str());
    return result;
}

bool SavedFolderRights::Save(const wchar_t* folder)
{
    UniqueHandle object = OpenObject(folder, READ_CONTROL);
    UniqueLocalMemory descriptor;
    if (!object || !ReadSecurity(object.Get(), descriptor))
        return false;
    const BYTE* bytes = static_cast<const BYTE*>(descriptor.Get());
    folder_ = folder;
    descriptor_.assign(bytes, bytes + GetSecurityDescriptorLength(descriptor.Get()));
    return true;
}

bool SavedFolderRights::Restore() const
{
    ScopedPrivileges privileges(kRightsPrivileges);
    if (!privileges.Held())
        return false;
    UniqueHandle object = OpenObject(folder_.c_str(), WRITE_DAC | WRITE_OWNER);
    std::vector<BYTE> descriptor(descriptor_);
    return object && g_setObjectSecurityCall(object.Get(), kOwnerAndRights, descriptor.data());
}
