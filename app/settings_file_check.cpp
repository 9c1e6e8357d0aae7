#include "app/settings_file_check.h"

#include <aclapi.h>
#include <sddl.h>
#include <wchar.h>

#include "app/settings_file_trust.h"
#include "base/bounded_text.h"
#include "base/checked_path.h"
#include "base/message_ids.h"
#include "base/path_join.h"
#include "base/setup_tools.h"
#include "formats/config/config_file.h"
#include "formats/language/message_box.h"

namespace {

const size_t kMostEntries = 32;
const size_t kNameCapacity = 160;

// The system's answers about an open file: its owner and rights entries, each trustee
// classified and named.
class LocalSettingsFileMachine final : public SettingsFileMachine
{
public:
    bool ReadFacts(HANDLE file, SettingsFileFacts& facts) override
    {
        facts = {};
        PSID owner = nullptr;
        PACL rights = nullptr;
        PSECURITY_DESCRIPTOR raw = nullptr;
        if (GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                            nullptr, &rights, nullptr, &raw) != ERROR_SUCCESS)
            return false;
        UniqueLocalMemory descriptor(raw);
        facts.readable = owner != nullptr;
        facts.owner = ClassifyOwner(owner);
        facts.ownerName = Name(owner, ownerName_);
        facts.hasRights = rights != nullptr;
        size_t count = 0;
        for (DWORD i = 0; rights && i < rights->AceCount && count < kMostEntries; ++i) {
            ACE_HEADER* header = nullptr;
            if (!GetAce(rights, i, reinterpret_cast<void**>(&header)))
                return false;
            if (header->AceType != ACCESS_ALLOWED_ACE_TYPE && header->AceType != ACCESS_DENIED_ACE_TYPE)
                continue;
            // Both kinds keep the mask and the SID in the same place.
            auto* ace = reinterpret_cast<ACCESS_ALLOWED_ACE*>(header);
            PSID trustee = &ace->SidStart;
            entries_[count] = {ClassifyOwner(trustee), Name(trustee, names_[count]), ace->Mask,
                               header->AceType == ACCESS_ALLOWED_ACE_TYPE,
                               (header->AceFlags & INHERIT_ONLY_ACE) != 0};
            ++count;
        }
        facts.entries = entries_;
        facts.count = count;
        return true;
    }

private:
    // "DOMAIN\name", else the SID's text.
    static const wchar_t* Name(PSID sid, wchar_t (&name)[kNameCapacity])
    {
        name[0] = 0;
        if (!sid)
            return name;
        wchar_t account[kNameCapacity / 2] = {}, domain[kNameCapacity / 2] = {};
        DWORD accountLength = kNameCapacity / 2, domainLength = kNameCapacity / 2;
        SID_NAME_USE use;
        if (LookupAccountSidW(nullptr, sid, account, &accountLength, domain, &domainLength, &use)) {
            FormatText(name, domain[0] ? L"%s\\%s" : L"%s%s", domain, account);
            return name;
        }
        wchar_t* text = nullptr;
        if (ConvertSidToStringSidW(sid, &text)) {
            CopyText(name, text);
            LocalFree(text);
        }
        return name;
    }

    wchar_t ownerName_[kNameCapacity];
    wchar_t names_[kMostEntries][kNameCapacity];
    SettingsFileEntry entries_[kMostEntries];
};

// The doubt in words of the current language.
void DoubtText(const SettingsFileVerdict& verdict, wchar_t* text, size_t capacity)
{
    switch (verdict.doubt) {
    case SettingsFileDoubt::kForeignOwner:
        FormatMessageId(text, capacity, kSettingsFileOwnedBy, verdict.who);
        break;
    case SettingsFileDoubt::kOthersMayChange:
        FormatMessageId(text, capacity, kSettingsFileChangedBy, verdict.who);
        break;
    case SettingsFileDoubt::kOpenToAll:
        FormatMessageId(text, capacity, kSettingsFileOpenToAll);
        break;
    default:
        FormatMessageId(text, capacity, kSettingsFileNoSecurity);
        break;
    }
}

// What the doubted file says of itself: it can only make the run refuse it.
bool SaysUnattended(const wchar_t* path)
{
    CConfigFile peek;
    wchar_t value[259] = {};
    return peek.Load(path) && peek.Get(L"force_auto", value, 259) && lstrcmpiW(value, L"true") == 0;
}

// The words for why /config's file is refused at its path; 0: the system's reason.
UINT NamedFileReason(LogRefusal refusal)
{
    switch (refusal) {
    case LogRefusal::kBadPath:
        return kSettingsPathBad;
    case LogRefusal::kLinkInPath:
        return kSettingsPathThroughLink;
    case LogRefusal::kFolderMissing:
        return kSettingsPathFolderMissing;
    case LogRefusal::kNotAFolder:
        return kSettingsPathNotAFolder;
    case LogRefusal::kIsFolder:
        return kSettingsPathIsFolder;
    case LogRefusal::kHardLinks:
        return kSettingsFileHardLinks;
    case LogRefusal::kElsewhere:
        return kSettingsFileElsewhere;
    default:
        return 0;
    }
}

} // namespace

SettingsFileCheck CSettingsFileHold::Check(const wchar_t* setupDir, bool quiet)
{
    if (!JoinPath(path_, setupDir, L"velmorasetup.cfg")) {
        path_[0] = 0;
        return SettingsFileCheck::kGoOn;
    }
    // Others may read it while it is held, nobody may change, rename or delete it.
    file_.Reset(CreateFileW(path_, GENERIC_READ | READ_CONTROL, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return SettingsFileCheck::kGoOn;  // none: the settings' loading decides
        // Held open for writing by someone, or closed to us: it could change after any look.
        wchar_t reason[512] = {};
        g_setupTools.FormatSystemErrorLine(error, reason, 512, true);
        ShowMessage(nullptr, kErrorMessage, kSettingsFileRefused, path_, reason);
        return SettingsFileCheck::kRefused;
    }
    return JudgeHeld(quiet);
}

SettingsFileCheck CSettingsFileHold::CheckNamed(const wchar_t* given, bool quiet)
{
    const DWORD length = GetFullPathNameW(given, MAX_PATH, path_, nullptr);
    if (length == 0 || length >= MAX_PATH) {
        CopyText(path_, given);
        return RefuseNamed(0, length ? ERROR_FILENAME_EXCED_RANGE : GetLastError());
    }
    bool exists = false;
    LogRefusal refusal = JudgePathOnDisk(path_, exists);
    if (refusal != LogRefusal::kNone)
        return RefuseNamed(NamedFileReason(refusal), ERROR_INVALID_PARAMETER);
    if (!exists)
        return RefuseNamed(kSettingsFileMissing, ERROR_FILE_NOT_FOUND);
    // The entry itself, not what a link made after the walk would name: that is refused.
    file_.Reset(CreateFileW(path_, GENERIC_READ | READ_CONTROL, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file_)
        return RefuseNamed(0, GetLastError());
    // Its owner is the trust rule's below, as for the file beside the program.
    refusal = JudgeOpenedFile(path_, file_.Get(), false);
    if (refusal != LogRefusal::kNone && refusal != LogRefusal::kForeignOwner)
        return RefuseNamed(NamedFileReason(refusal), GetLastError());
    return JudgeHeld(quiet);
}

SettingsFileCheck CSettingsFileHold::RefuseNamed(UINT reasonId, DWORD error)
{
    file_.Reset(nullptr);
    wchar_t reason[512] = {};
    if (reasonId)
        FormatMessageId(reason, 512, reasonId);
    else
        g_setupTools.FormatSystemErrorLine(error, reason, 512, true);
    ShowMessage(nullptr, kErrorMessage, kNamedSettingsFileRefused, path_, reason);
    return SettingsFileCheck::kRefused;
}

SettingsFileCheck CSettingsFileHold::JudgeHeld(bool quiet)
{
    LocalSettingsFileMachine machine;
    SettingsFileFacts facts = {};
    const SettingsFileVerdict verdict =
        machine.ReadFacts(file_.Get(), facts) ? JudgeSettingsFile(facts)
                                              : SettingsFileVerdict{SettingsFileDoubt::kNoSecurity, nullptr};
    const SettingsFileUse use = DecideSettingsFileUse(verdict, quiet, verdict.doubt != SettingsFileDoubt::kNone &&
                                                                          SaysUnattended(path_));
    if (use == SettingsFileUse::kUse)
        return SettingsFileCheck::kGoOn;
    wchar_t doubt[512] = {};
    DoubtText(verdict, doubt, 512);
    if (use == SettingsFileUse::kAsk)
        return ShowMessage(nullptr, kCautiousQuestion, kSettingsFileQuestion, path_, doubt) == IDYES
                   ? SettingsFileCheck::kGoOn
                   : SettingsFileCheck::kDeclined;
    ShowMessage(nullptr, kErrorMessage, kSettingsFileRefused, path_, doubt);
    return SettingsFileCheck::kRefused;
}
