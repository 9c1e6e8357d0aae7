#pragma once
#include <windows.h>
#include <stddef.h>

#include "base/scoped_handle.h"

// Which folders the setup may install into. The service runs from the folder as SYSTEM,
// and the setup, as an administrator, gives the folder its rights and moves files in it:
// a folder that the system keeps for itself or for everybody, one on another machine, or
// one that a link can turn into another is never used, and an existing folder that is not
// an installation of the server is used only when it is empty.

// The folders the system names for itself, each of a kind with its own rule.
enum class SystemFolderKind
{
    kWindows,       // the Windows folder: refused with everything below it
    kTemporary,     // a temporary folder: refused with everything below it
    kSetup,         // the folder setup.exe runs from: refused itself
    kShared,        // Program Files, ProgramData, the Users folder, a profile: refused themselves
};

// What the policy asks of the machine; tests answer from a table.
class FolderFacts
{
public:
    // The `index`th folder the system names, in its full long form, and its kind; false
    // past the last.
    virtual bool SystemFolderAt(size_t index, SystemFolderKind* kind, wchar_t* folder, size_t capacity) = 0;
    // Whether the drive of `root` ("C:\") lies on another machine.
    virtual bool IsNetworkDrive(const wchar_t* root) = 0;
    // The attributes of `path`; INVALID_FILE_ATTRIBUTES when it does not exist.
    virtual DWORD Attributes(const wchar_t* path) = 0;
    // Whether the existing folder `folder` holds nothing at all.
    virtual bool IsEmptyFolder(const wchar_t* folder) = 0;
    // The owner and rights of the existing `path`; false, with the system's reason in
    // `error`, when they cannot be read.
    virtual bool Security(const wchar_t* path, UniqueLocalMemory& descriptor, DWORD* error) = 0;
    // The account that runs the setup.
    virtual PSID Account() = 0;
    // A trustee as a message names it: "DOMAIN\name", else the text of its SID.
    virtual void TrusteeName(PSID trustee, wchar_t* name, size_t capacity) = 0;

protected:
    ~FolderFacts() = default;
};

enum class FolderRule
{
    kAllowed,
    kDriveRoot,
    kNetworkPath,
    kWindowsFolder,
    kTemporaryFolder,
    kSetupFolder,
    kSharedFolder,
    kLink,       // `path`: the junction, symbolic link or mount point on the way
    kUntrustedAncestor,  // `path`: the folder above; `detail`: "RIGHT: trustee"
    kForeignOwner,       // `detail`: the folder's owner
    kNotEmpty,
};

struct FolderVerdict
{
    FolderRule rule;
    wchar_t path[MAX_PATH];    // the system folder, link or folder above that the rule names
    wchar_t detail[MAX_PATH];  // the right and trustee, or the owner
};

// The rules for `folder`, in its full long form (base/canonical_folder.h), in the order of
// the table in docs/administrators.md. `installation` is set when the machine's records
// make the folder this run's installation (engine/installation_identity.h), which may hold
// its files.
FolderVerdict CheckFolderPolicy(const wchar_t* folder, bool installation, FolderFacts& facts);

// This machine's facts: the Windows folder, the temporary folders (this account's and the
// system's), `setupDir`, Program Files in both views, ProgramData, the Users folder and
// every profile, as the system names them when asked.
class LocalFolderFacts final : public FolderFacts
{
public:
    explicit LocalFolderFacts(const wchar_t* setupDir);
    ~LocalFolderFacts();
    LocalFolderFacts(const LocalFolderFacts&) = delete;
    LocalFolderFacts& operator=(const LocalFolderFacts&) = delete;

    bool SystemFolderAt(size_t index, SystemFolderKind* kind, wchar_t* folder, size_t capacity) override;
    bool IsNetworkDrive(const wchar_t* root) override;
    DWORD Attributes(const wchar_t* path) override;
    bool IsEmptyFolder(const wchar_t* folder) override;
    bool Security(const wchar_t* path, UniqueLocalMemory& descriptor, DWORD* error) override;
    PSID Account() override;
    void TrusteeName(PSID trustee, wchar_t* name, size_t capacity) override;

private:
    struct Folders;
    Folders* folders_;
};
