#include "engine/journaled_changes.h"

#include <new>

#include "base/bounded_text.h"
#include "base/installation_names.h"
#include "base/path_join.h"
#include "base/protected_folder.h"
#include "base/setup_tools.h"
#include "engine/program_shortcuts.h"
#include "engine/undo_journal.h"
#include "formats/installation_record/installation_record.h"
#include "system/certificates/certificate_import.h"
#include "system/certificates/certificate_removal.h"
#include "system/certificates/trust_list.h"
#include "system/hosts/hosts_file.h"
#include "system/http/ssl_binding.h"
#include "system/removal/installation_removal.h"
#include "system/services/service_command.h"
#include "system/uninstall/saved_uninstall_entry.h"

namespace {

// An entry that names a folder, a store or a service, kept by value: the settings change
// after the entry was made.
class NamedEntry : public UndoEntry
{
public:
    explicit NamedEntry(const wchar_t* name, const wchar_t* second = L"")
    {
        CopyText(name_, name);
        CopyText(second_, second);
    }

protected:
    wchar_t name_[MAX_PATH];
    wchar_t second_[MAX_PATH];
};

class FolderRightsEntry final : public UndoEntry
{
public:
    void Undo() override { before.Restore(); }
    SavedFolderRights before;
};

class FolderEntry final : public NamedEntry
{
public:
    using NamedEntry::NamedEntry;
    void Undo() override { DeleteFolderTree(name_); }
};

// Without its record the removal would take the whole folder, which may hold what was
// there before: then nothing goes.
class InstallationEntry final : public NamedEntry
{
public:
    using NamedEntry::NamedEntry;
    void Undo() override
    {
        wchar_t record[MAX_PATH];
        if (JoinPath(record, name_, kInstallationRecordName) && GetFileAttributesW(record) != INVALID_FILE_ATTRIBUTES)
            RemoveRecordedInstallation(name_);
    }
};

class ShortcutsEntry final : public NamedEntry
{
public:
    using NamedEntry::NamedEntry;
    void Undo() override { RemoveProgramShortcuts(kProgramGroupName, name_); }
};

// Without the entry as it was, the installation's own entries go by their folder.
class UninstallEntryEntry final : public NamedEntry
{
public:
    using NamedEntry::NamedEntry;
    void Undo() override
    {
        if (!saved || !before.PutBack())
            RemoveUninstallEntriesOfFolder(name_);
    }
    SavedUninstallEntry before;
    bool saved = false;
};

// The service and the server it runs out of the folder; a service of that name that runs
// another program by then is not the one made here, and stays.
class ServiceEntry final : public NamedEntry
{
public:
    using NamedEntry::NamedEntry;
    void Undo() override
    {
        if (RemoveServiceOfFolder(name_, second_) == ServiceRemoval::kNoneInFolder)
            return;
        // The stopped server may hold its files for a moment, and they go next.
        wchar_t server[MAX_PATH + 16];
        FormatText(server, L"%s\\%s", second_, kServerProgramName);
        for (int i = 0; i < 50 && g_setupTools.FindProcessByPath(server); ++i)
            Sleep(100);
    }
};

class ServiceCommandEntry final : public UndoEntry
{
public:
    ServiceCommandEntry(const wchar_t* serviceName, const wchar_t* command)
    {
        CopyText(name_, serviceName);
        CopyText(command_, command);
    }
    void Undo() override { WriteServiceCommand(name_, command_); }

private:
    wchar_t name_[256];
    wchar_t command_[2 * MAX_PATH];
};

class CertificateEntry final : public NamedEntry
{
public:
    CertificateEntry(const wchar_t* storeName, const BYTE* hash) : NamedEntry(storeName)
    {
        CopyMemory(hash_, hash, sizeof(hash_));
    }
    void Undo() override { DeleteMachineCertificate(name_, hash_, sizeof(hash_)); }

private:
    BYTE hash_[20];
};

class TrustListEntry final : public UndoEntry
{
public:
    void Undo() override { DeleteServerTrustList(); }
};

class SslBindingEntry final : public NamedEntry
{
public:
    using NamedEntry::NamedEntry;
    void Undo() override { RestoreSslBinding(name_, replaced); }
    SavedSslBinding replaced;
};

class HostsFileEntry final : public NamedEntry
{
public:
    using NamedEntry::NamedEntry;
    void Undo() override { before.PutBack(name_); }
    SavedHostsFile before;
};

// The topmost folder of `folder` that does not exist ("C:\a" for "C:\a\b\c" when only
// "C:\" does), as CreateProtectedFolder finds the folders to make. False when `folder`
// exists.
bool TopmostMissingFolder(const wchar_t* folder, wchar_t (&top)[MAX_PATH])
{
    if (!FitsInto(folder, MAX_PATH))
        return false;
    size_t length = CopyText(top, folder);
    while (length > 3 && top[length - 1] == L'\\')
        top[--length] = 0;
    if (GetFileAttributesW(top) != INVALID_FILE_ATTRIBUTES)
        return false;
    for (size_t i = length; i-- > 2;) {
        if (top[i] != L'\\')
            continue;
        top[i] = 0;
        bool exists = GetFileAttributesW(top) != INVALID_FILE_ATTRIBUTES || (i == 2 && top[1] == L':');
        if (exists) {
            top[i] = L'\\';
            break;
        }
    }
    return true;
}

} // namespace

bool CreateJournaledFolder(const wchar_t* folder)
{
    wchar_t top[MAX_PATH];
    const bool missing = folder && TopmostMissingFolder(folder, top);
    if (!CreateProtectedFolder(folder))
        return false;
    if (missing)
        g_undoJournal.Add(new (std::nothrow) FolderEntry(top));
    return true;
}

TreeRightsResult ProtectJournaledFolder(const wchar_t* folder, bool foreign)
{
    if (foreign) {
        FolderRightsEntry* entry = new (std::nothrow) FolderRightsEntry;
        if (!entry || !entry->before.Save(folder)) {
            TreeRightsResult unsaved = {};
            unsaved.error = entry ? GetLastError() : static_cast<DWORD>(ERROR_OUTOFMEMORY);
            unsaved.path = folder;
            delete entry;
            return unsaved;
        }
        g_undoJournal.Add(entry);
    }
    return ProtectAdoptedFolder(folder);
}

DWORD ImportJournaledCertificate(const BYTE* image, DWORD size, const wchar_t* password, BYTE* hash,
                                 DWORD* hashLength, const wchar_t* storeName)
{
    bool added = false;
    DWORD error = ImportServerCertificate(image, size, password, hash, hashLength, storeName, &added);
    if (error == 0 && added && *hashLength == 20)
        g_undoJournal.Add(new (std::nothrow) CertificateEntry(storeName, hash));
    SetLastError(error);
    return error;
}

DWORD AddJournaledRootCertificate(const BYTE* bytes, DWORD size, const wchar_t* storeName)
{
    BYTE hash[20] = {};
    bool added = false;
    DWORD error = AddRootCertificate(bytes, size, storeName, hash, &added);
    if (error == 0 && added)
        g_undoJournal.Add(new (std::nothrow) CertificateEntry(storeName, hash));
    SetLastError(error);
    return error;
}

bool EnsureJournaledTrustList()
{
    bool created = false;
    if (!EnsureServerTrustList(&created))
        return false;
    if (created)
        g_undoJournal.Add(new (std::nothrow) TrustListEntry());
    SetLastError(0);
    return true;
}

bool SetJournaledSslBinding(const wchar_t* addressText, const BYTE* hash, DWORD hashLength)
{
    SslBindingEntry* entry = new (std::nothrow) SslBindingEntry(addressText);
    // A binding that cannot be read cannot be put back either; the new one is set all the same.
    if (entry)
        SaveSslBinding(addressText, entry->replaced);
    if (!SetSslBinding(addressText, hash, hashLength)) {
        DWORD error = GetLastError();
        // The old binding may be gone already: it comes back now.
        if (entry)
            entry->Undo();
        delete entry;
        SetLastError(error);
        return false;
    }
    g_undoJournal.Add(entry);
    SetLastError(0);
    return true;
}

bool AddJournaledHostsEntry(const wchar_t* folder, const sockaddr_in& address, const char* domain)
{
    HostsFileEntry* entry = new (std::nothrow) HostsFileEntry(folder);
    if (!entry) {
        SetLastError(ERROR_OUTOFMEMORY);
        return false;
    }
    // A file that cannot be read could not be copied without the domain either.
    if (!entry->before.Save(folder) || !AddHostsEntry(folder, address, domain)) {
        DWORD error = GetLastError();
        delete entry;
        SetLastError(error);
        return false;
    }
    g_undoJournal.Add(entry);
    return true;
}

bool WriteJournaledUninstallEntry(const wchar_t* serviceName, const wchar_t* folder, DWORD estimatedKiB)
{
    UninstallEntryEntry* entry = new (std::nothrow) UninstallEntryEntry(folder);
    if (entry)
        entry->saved = entry->before.Save(serviceName);
    // Even a write that failed half-way may have left a part of the entry.
    bool written = WriteUninstallEntry(serviceName, folder, estimatedKiB);
    DWORD error = GetLastError();
    g_undoJournal.Add(entry);
    SetLastError(error);
    return written;
}

void JournalInstallation(const wchar_t* folder)
{
    g_undoJournal.Add(new (std::nothrow) InstallationEntry(folder));
}

void JournalShortcuts(const wchar_t* folder)
{
    g_undoJournal.Add(new (std::nothrow) ShortcutsEntry(folder));
}


bool SetJournaledServiceCommand(const wchar_t* serviceName, const wchar_t* command)
{
    wchar_t before[2 * MAX_PATH];
    if (!ReadServiceCommand(serviceName, before, 2 * MAX_PATH) || !WriteServiceCommand(serviceName, command))
        return false;
    g_undoJournal.Add(new (std::nothrow) ServiceCommandEntry(serviceName, before));
    return true;
}

void JournalService(const wchar_t* serviceName, const wchar_t* folder)
{
    g_undoJournal.Add(new (std::nothrow) ServiceEntry(serviceName, folder));
}
