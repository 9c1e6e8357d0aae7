#pragma once
// Names for the scoped enums that tests compare, so that a failing comparison prints
// "RunOutcome::kFailed" rather than the value's bytes. Include it where such a value is
// compared; gtest finds PrintTo beside the enum.
#include <string.h>

#include <ostream>
#include <string>

#include "base/instance_lock.h"
#include "app/settings_file_check.h"
#include "app/settings_file_trust.h"
#include "base/run_switches.h"
#include "app/windows_version.h"
#include "base/install_settings.h"
#include "base/log_path_rules.h"
#include "engine/folder_policy.h"
#include "engine/install_request.h"
#include "engine/installation_identity.h"
#include "engine/program_shortcuts.h"
#include "formats/installation_memory/remembered_installation.h"
#include "formats/installation_memory/shared_things.h"
#include "system/removal/installation_removal.h"
#include "system/services/readiness_event.h"
#include "wizard/page_flow.h"
#include "wizard/settings_page/port_test.h"
#include "wizard/settings_page/volume_check.h"

// Prints `type`::name, the name being the one that `names` ("E::kA, E::kB", the
// enumerators as listed) gives `value` at its place in `values`; other values as numbers.
template <typename Enum, size_t N>
void PrintEnumName(const char* type, Enum value, const Enum (&values)[N], const char* names, std::ostream* os)
{
    for (size_t i = 0; i < N; ++i) {
        names = strstr(names, "::") + 2;  // the i-th name
        if (values[i] == value) {
            *os << type << "::" << std::string(names, strcspn(names, ", "));
            return;
        }
    }
    *os << type << "(" << static_cast<long long>(value) << ")";
}

#define VELMORA_ENUM_PRINTER(Enum, ...)                        \
    inline void PrintTo(Enum value, std::ostream* os)          \
    {                                                          \
        using E = Enum;                                        \
        const E values[] = {__VA_ARGS__};                      \
        PrintEnumName(#Enum, value, values, #__VA_ARGS__, os); \
    }

VELMORA_ENUM_PRINTER(InstanceLockVerdict, E::kHeld, E::kAnotherSetup, E::kSquatted, E::kFailed)
VELMORA_ENUM_PRINTER(SettingsFileCheck, E::kGoOn, E::kDeclined, E::kRefused)
VELMORA_ENUM_PRINTER(SettingsFileDoubt, E::kNone, E::kNoSecurity, E::kForeignOwner, E::kOpenToAll,
                     E::kOthersMayChange)
VELMORA_ENUM_PRINTER(SettingsFileUse, E::kUse, E::kAsk, E::kRefuse)
VELMORA_ENUM_PRINTER(SwitchesVerdict, E::kRun, E::kUsage, E::kRefused)
VELMORA_ENUM_PRINTER(WindowsVersionVerdict, E::TooOld, E::NeedsHttpService, E::Supported)
VELMORA_ENUM_PRINTER(RunMode, E::kAttended, E::kUnattended, E::kQuiet)
VELMORA_ENUM_PRINTER(LogRefusal, E::kNone, E::kBadPath, E::kLinkInPath, E::kFolderMissing, E::kNotAFolder,
                     E::kIsFolder, E::kHardLinks, E::kForeignOwner, E::kElsewhere, E::kSystemError)
VELMORA_ENUM_PRINTER(FolderRule, E::kAllowed, E::kDriveRoot, E::kNetworkPath, E::kWindowsFolder, E::kTemporaryFolder,
                     E::kSetupFolder, E::kSharedFolder, E::kLink, E::kUntrustedAncestor, E::kForeignOwner,
                     E::kNotEmpty)
VELMORA_ENUM_PRINTER(InstallKind, E::kNewFolder, E::kConfirmedFolder, E::kUpgrade)
VELMORA_ENUM_PRINTER(RunOutcome, E::kSucceeded, E::kFailed, E::kCancelled)
VELMORA_ENUM_PRINTER(InstallationKind, E::kNone, E::kInstalled, E::kUnrecordedServer, E::kOtherService,
                     E::kServiceNotServer, E::kServiceOfOtherFolder)
VELMORA_ENUM_PRINTER(ProgramShortcutsResult, E::Created, E::NoGroup, E::Cancelled)
VELMORA_ENUM_PRINTER(Provenance, E::kNone, E::kMade, E::kFound, E::kUnknown)
VELMORA_ENUM_PRINTER(ServiceRemoval, E::kDone, E::kNone, E::kNotOurs, E::kNotStopped, E::kNotRemoved)
VELMORA_ENUM_PRINTER(SharedThingFate, E::kTake, E::kHandOver, E::kKeep)
VELMORA_ENUM_PRINTER(ReadinessEventVerdict, E::kMade, E::kHeldByAnother, E::kFailed)
VELMORA_ENUM_PRINTER(FlowMove, E::kAnswer, E::kCheckItself, E::kPressNext)
VELMORA_ENUM_PRINTER(PortVerdict, E::kFree, E::kInUse, E::kNoSocket)
VELMORA_ENUM_PRINTER(VolumeVerdict, E::kUsable, E::kFatVolume, E::kFreeSpaceUnknown, E::kTooLittleSpace)
