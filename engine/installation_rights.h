#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "base/object_security.h"
#include "base/scoped_handle.h"

// The owner and rights of an installation folder that the run adopts (its own earlier
// installation, or an empty folder somebody else made), given to every object in it, one
// by one through a handle on the object itself: the system's own propagation follows a
// junction, symbolic link or mount point out of the folder, and changes the rights of a
// file whose other names may lie anywhere.

// One object in a folder, as the folder's listing shows it.
struct TreeObject
{
    std::wstring name;
    DWORD attributes;
    DWORD reparseTag;  // with FILE_ATTRIBUTE_REPARSE_POINT
};

enum class TreeAction
{
    kProtectAndEnter,  // a folder
    kProtect,          // a file, or a reparse point that names no other place (a deduplicated file)
    kLeave,            // a file with other names: its rights stay, the log names it
    kStop,             // a junction, symbolic link or mount point: the run stops and names it
};

// The walk's decision for an object; `links` is a file's count of names.
TreeAction DecideTreeAction(DWORD attributes, DWORD reparseTag, DWORD links);

// Which rights an object gets.
enum class RightsKind
{
    kTop,     // the installation folder: its own, not inherited from above
    kFolder,  // a folder below it: inherited from it
    kFile,    // a file below it: inherited from it
};

// What the walk asks of the machine; tests answer from a table.
class TreeMachine
{
public:
    // The objects in `folder`, "." and ".." left out.
    virtual bool List(const wchar_t* folder, std::vector<TreeObject>& objects) = 0;
    // The count of names of the file `path` itself (a link not followed).
    virtual bool Links(const wchar_t* path, DWORD* links) = 0;
    // Gives the object `path` the installation's owner and rights of `kind` and reads them
    // back into `now`. Fails, changing nothing, when the object is no longer what the
    // listing showed (`attributes`: a folder, a reparse point) or a file has got another name.
    virtual bool Protect(const wchar_t* path, RightsKind kind, DWORD attributes, UniqueLocalMemory& now) = 0;
    // The account that runs the setup, trusted like the administrators.
    virtual PSID Account() = 0;
    // A trustee as a message names it.
    virtual void TrusteeName(PSID trustee, wchar_t* name, size_t capacity) = 0;

protected:
    ~TreeMachine() = default;
};

struct TreeRightsResult
{
    DWORD error;          // ERROR_SUCCESS when every object has its rights
    UINT message;         // with an error: the message naming `path`, 0 for the system's text
    std::wstring path;    // the object the walk stopped at
    std::wstring detail;  // with kFolderRightsDidNotTake: "RIGHT: trustee"
    std::vector<std::wstring> leftAlone;  // files with other names, their rights as they were
};

// Gives `folder` and everything in it the installation's owner and rights, the folder
// first (once closed, nobody else can put a link or a name into it), and checks that they
// took: nobody but the trusted may change an object afterwards.
TreeRightsResult ProtectInstallationTree(const wchar_t* folder, TreeMachine& machine);

// This machine: listings, handles opened on the objects themselves, owner and rights set
// and read back through those handles.
class LocalTreeMachine final : public TreeMachine
{
public:
    bool List(const wchar_t* folder, std::vector<TreeObject>& objects) override;
    bool Links(const wchar_t* path, DWORD* links) override;
    bool Protect(const wchar_t* path, RightsKind kind, DWORD attributes, UniqueLocalMemory& now) override;
    PSID Account() override;
    void TrusteeName(PSID trustee, wchar_t* name, size_t capacity) override;

private:
    AccountSidBuffer account_;
    PSID accountSid_ = nullptr;
    bool accountRead_ = false;
};

// ProtectInstallationTree on this machine, with the privileges it needs on for as long
// as it runs; the files left alone go to the log.
TreeRightsResult ProtectAdoptedFolder(const wchar_t* folder);

// The owner and rights of the existing folder `folder`, kept to be put back.
class SavedFolderRights
{
public:
    // False with the system's reason when they cannot be read.
    bool Save(const wchar_t* folder);
    // Puts them back, with the privileges that naming another owner needs; false with the
    // system's reason.
    bool Restore() const;

private:
    std::wstring folder_;
    std::vector<BYTE> descriptor_;  // self-relative
};
