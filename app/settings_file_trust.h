#pragma once
#include <windows.h>

#include "base/owner_kind.h"

// Whether velmorasetup.cfg may decide the installation: its values choose the folder the
// service runs from as SYSTEM, the service and the server administrator's account and
// password. A file that an ordinary user wrote, or may still change, is not the
// administrator's word.

// One entry of the file's rights, its trustee classified as owners are.
struct SettingsFileEntry
{
    OwnerKind trustee;
    const wchar_t* name;   // the trustee's name, for the message
    ACCESS_MASK mask;
    bool allows;           // an allowing entry (denying ones take nothing away here)
    bool inheritOnly;      // applies to what is made below, not to the file
};

// What the system tells of the open file's owner and rights.
struct SettingsFileFacts
{
    bool readable;              // the rights could be read at all (a share, a file system without them: false)
    OwnerKind owner;
    const wchar_t* ownerName;
    bool hasRights;             // false: no rights list, which lets everyone do anything
    const SettingsFileEntry* entries;
    size_t count;
};

enum class SettingsFileDoubt
{
    kNone,            // trusted
    kNoSecurity,      // no owner or rights to read
    kForeignOwner,    // owned by someone who is no administrator
    kOpenToAll,       // no rights list: anyone may change it
    kOthersMayChange, // another trustee may write it, change its rights or take it
};

struct SettingsFileVerdict
{
    SettingsFileDoubt doubt;
    const wchar_t* who;  // the owner or trustee the doubt names (null for the others)
};

// Trusted when the owner is SYSTEM, Administrators, TrustedInstaller, a member of
// Administrators or the running account, and no other trustee may write it, change its
// rights or take it.
SettingsFileVerdict JudgeSettingsFile(const SettingsFileFacts& facts);

enum class SettingsFileUse
{
    kUse,
    kAsk,     // a person runs the setup: ask, naming the doubt (No ends the setup)
    kRefuse,  // nobody to ask (quiet, or the file itself says unattended): -1 before anything changes
};

// What to do with a file judged `verdict`: `quiet` the command line's /quiet, `forceAuto`
// what the doubted file itself says (it can only make the run refuse, never trust).
SettingsFileUse DecideSettingsFileUse(const SettingsFileVerdict& verdict, bool quiet, bool forceAuto);

// Reads the facts of the open file `file` (opened with READ_CONTROL). `names` keeps the
// owner's and trustees' names for as long as the facts are used.
class SettingsFileMachine
{
public:
    virtual bool ReadFacts(HANDLE file, SettingsFileFacts& facts) = 0;

protected:
    ~SettingsFileMachine() = default;
};
