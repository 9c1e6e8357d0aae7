#include "app/settings_file_trust.h"

namespace {

// Writing the data or its attributes, changing the rights or the owner, or replacing the
// file: any of them lets the holder decide what the setup reads.
const ACCESS_MASK kChangingRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_WRITE_ATTRIBUTES |
                                    WRITE_DAC | WRITE_OWNER | DELETE | GENERIC_WRITE | GENERIC_ALL;

bool IsTrustedOwner(OwnerKind kind)
{
    return IsAdministrativeOrOwnOwner(kind) || kind == OwnerKind::kTrustedInstaller;
}

} // namespace

SettingsFileVerdict JudgeSettingsFile(const SettingsFileFacts& facts)
{
    if (!facts.readable || facts.owner == OwnerKind::kUnknown)
        return {SettingsFileDoubt::kNoSecurity, nullptr};
    if (!IsTrustedOwner(facts.owner))
        return {SettingsFileDoubt::kForeignOwner, facts.ownerName};
    if (!facts.hasRights)
        return {SettingsFileDoubt::kOpenToAll, nullptr};
    for (size_t i = 0; i < facts.count; ++i) {
        const SettingsFileEntry& entry = facts.entries[i];
        if (entry.allows && !entry.inheritOnly && (entry.mask & kChangingRights) && !IsTrustedOwner(entry.trustee))
            return {SettingsFileDoubt::kOthersMayChange, entry.name};
    }
    return {SettingsFileDoubt::kNone, nullptr};
}

SettingsFileUse DecideSettingsFileUse(const SettingsFileVerdict& verdict, bool quiet, bool forceAuto)
{
    if (verdict.doubt == SettingsFileDoubt::kNone)
        return SettingsFileUse::kUse;
    return quiet || forceAuto ? SettingsFileUse::kRefuse : SettingsFileUse::kAsk;
}
