#include "wizard/settings_page/settings_check.h"

#include "base/bounded_text.h"
#include "base/canonical_folder.h"
#include "base/installation_names.h"
#include "base/message_ids.h"
#include "base/path_join.h"
#include "engine/failure_text.h"
#include "engine/installation_identity.h"
#include "resources/wizard_ids.h"
#include "wizard/page_flow.h"
#include "wizard/settings_text.h"

// Written by the payload builder with the archive that setup.exe carries.
#include "velmora_server_payload_paths.h"

namespace {

SettingsVerdict Verdict(SettingsNext next, UINT style, UINT textId, DWORD systemError = 0,
                        const wchar_t* first = L"", const wchar_t* second = L"")
{
    SettingsVerdict verdict = {};
    verdict.next = next;
    verdict.message.style = style;
    verdict.message.text_id = textId;
    verdict.message.system_error = systemError;
    CopyText(verdict.message.arguments[0], first);
    CopyText(verdict.message.arguments[1], second);
    return verdict;
}

// Stays on the page, telling why when somebody is there to read it.
SettingsVerdict Refusal(const InstallSettings& settings, UINT style, UINT textId, DWORD systemError = 0,
                        const wchar_t* argument = L"", const wchar_t* second = L"")
{
    return Verdict(SettingsNext::kStay, NobodyAnswers(settings.run_mode) ? 0 : style, textId, systemError, argument,
                   second);
}

// The page that the page flow's table gives the passed check.
SettingsVerdict Passed(const InstallSettings& settings)
{
    switch (NextStep(IDD_WIZ_SETCONF, FlowEvent::kNext, FlowFactsOf(settings)).answer) {
    case kNeighbourPage:
        return Verdict(SettingsNext::kDomainPage, 0, 0);
    case IDD_WIZ_INSTALL:
        return Verdict(SettingsNext::kProgressPage, 0, 0);
    default:
        return Verdict(SettingsNext::kAdministratorPage, 0, 0);
    }
}

// False, with the refusal, when the folder or the service name belongs to something that
// is not this run's installation.
bool InstallationAllowed(const InstallSettings& settings, const wchar_t* folder, const InstallationIdentity& identity,
                         SettingsVerdict& refusal)
{
    const UINT warning = MB_OK | MB_ICONWARNING;
    switch (identity.kind) {
    case InstallationKind::kUnrecordedServer:
        refusal = Refusal(settings, warning, kFolderHoldsUnrecordedServer, 0, folder);
        return false;
    case InstallationKind::kOtherService:
        refusal = Refusal(settings, warning, kInstallationHasOtherService, 0, folder, identity.service);
        return false;
    case InstallationKind::kServiceNotServer:
        refusal = Refusal(settings, warning, kServiceNotServer, 0, settings.service_name);
        return false;
    case InstallationKind::kServiceOfOtherFolder:
        refusal = Refusal(settings, warning, kServiceOfOtherInstallation, 0, settings.service_name, identity.folder);
        return false;
    case InstallationKind::kInstalled:
    case InstallationKind::kNone:
        break;
    }
    return true;
}

// Whether every path that a run writes fits in MAX_PATH: the archive's longest entry in
// the folder, and the same entry in the backup folder "<folder>\backups\<UTC stamp>" that
// the engine makes for an upgrade or an existing folder. The backup's room is required of
// a new folder too: a server installed there could never be upgraded. It also covers the
// entry in the folder itself, which lies shallower.
bool FolderHoldsPayload(const wchar_t* folder)
{
    const size_t backupPart = wcslen(L"\\backups\\YYYY-MM-DD HH-MM-SS");
    return wcslen(folder) + backupPart + 1 + kPayloadLongestPath + 1 <= MAX_PATH;
}

// False, with the refusal, when the folder rules refuse the folder: each rule has its text.
bool FolderAllowed(const InstallSettings& settings, const wchar_t* folder, const FolderVerdict& verdict,
                   SettingsVerdict& refusal)
{
    // The texts that suggest a folder below the refused one.
    wchar_t below[MAX_PATH] = {};
    FormatText(below, MAX_PATH, folder[wcslen(folder) - 1] == L'\\' ? L"%sVelmora" : L"%s\\Velmora", folder);
    UINT id = 0;
    const wchar_t* second = L"";
    switch (verdict.rule) {
    case FolderRule::kAllowed:
        return true;
    case FolderRule::kDriveRoot:
        id = kFolderIsDriveRoot, second = below;
        break;
    case FolderRule::kNetworkPath:
        id = kFolderOnNetwork;
        break;
    case FolderRule::kWindowsFolder:
        id = kFolderInWindows, second = verdict.path;
        break;
    case FolderRule::kTemporaryFolder:
        id = kFolderInTemporary, second = verdict.path;
        break;
    case FolderRule::kSetupFolder:
        id = kFolderIsSetupFolder;
        break;
    case FolderRule::kSharedFolder:
        id = kFolderIsSystemShared, second = below;
        break;
    case FolderRule::kLink:
        id = kFolderThroughLink, second = verdict.path;
        break;
    case FolderRule::kUntrustedAncestor:
        refusal = Refusal(settings, MB_OK | MB_ICONWARNING, kFolderAboveUntrusted, 0, verdict.path, verdict.detail);
        return false;
    case FolderRule::kForeignOwner:
        id = kFolderOwnedByOther, second = verdict.detail;
        break;
    case FolderRule::kNotEmpty:
        id = kFolderNotEmpty;
        break;
    }
    refusal = Refusal(settings, MB_OK | MB_ICONWARNING, id, 0, folder, second);
    return false;
}

// False, with the refusal, when the folder's volume cannot take the server.
bool VolumeTakesServer(const InstallSettings& settings, const wchar_t* folder, SettingsMachine& machine,
                       SettingsVerdict& refusal)
{
    wchar_t root[MAX_PATH] = {};
    GetDriveRoot(folder, root, MAX_PATH);
    DWORD error = 0;
    VolumeVerdict volume = machine.CheckVolume(root, &error);
    if (volume == VolumeVerdict::kFatVolume) {
        refusal = Refusal(settings, MB_OK | MB_ICONWARNING, kFatVolume);
    } else if (volume == VolumeVerdict::kFreeSpaceUnknown) {
        refusal = Refusal(settings, MB_OK | MB_ICONERROR, 0, error);
    } else if (volume == VolumeVerdict::kTooLittleSpace) {
        // The disk is named without the root's backslash: "C:".
        size_t length = wcslen(root);
        if (length > 0)
            root[length - 1] = 0;
        refusal = Refusal(settings, MB_OK | MB_ICONWARNING, kTooLittleSpace, 0, root);
    }
    return volume == VolumeVerdict::kUsable;
}

DWORD ImportCertificate(const SettingsPageFields& fields, InstallSettings& settings, SettingsMachine& machine)
{
    DWORD hashLength = sizeof(settings.cert_thumbprint);
    DWORD error = machine.ImportCertificate(fields.certificate, fields.certificate_size, fields.password,
                                            settings.cert_thumbprint, &hashLength);
    // An image exported with no password at all opens only without one.
    if (error != 0 && fields.password[0] == 0) {
        hashLength = sizeof(settings.cert_thumbprint);
        error = machine.ImportCertificate(fields.certificate, fields.certificate_size, nullptr,
                                          settings.cert_thumbprint, &hashLength);
    }
    // A certificate without its thumbprint could not be bound to the server's address.
    if (error == 0 && hashLength != sizeof(settings.cert_thumbprint))
        error = ERROR_INVALID_DATA;
    return error;
}

// Why the certificate cannot be used, naming its file; the system's text for what has no
// text of its own, and for the built-in certificate, which has no file to name.
SettingsVerdict CertificateRefusal(const SettingsPageFields& fields, DWORD error)
{
    FailureCause cause;
    cause.kind = FailureCauseKind::kCertificate;
    cause.error = error;
    CopyText(cause.path, fields.certificate_file);
    const FailureText text = DescribeFailureCause(cause);
    if (text.message == 0 || !fields.certificate_file[0])
        return Verdict(SettingsNext::kStay, MB_OK | MB_ICONERROR, 0, error);
    return Verdict(SettingsNext::kStay, MB_OK | MB_ICONWARNING, text.message, 0, text.arguments[0]);
}

// The offered address as the boxes name it: `anyText` for entry 0, else dotted.
void AddressText(const AddressList& offered, size_t index, const wchar_t* anyText, wchar_t* text)
{
    if (index == 0)
        CopyText(text, MAX_PATH, anyText);
    else
        FormatDottedAddress(offered.entries[index], text, MAX_PATH);
}

} // namespace

void SettingsAnswers::Accept(const SettingsVerdict& question)
{
    if (question.message.text_id == kNewerVersionQuestion)
        newer_version = true;
    else if (question.message.text_id == kFolderExists)
        existing_folder = true;
    else if (question.message.text_id == kAddressMismatch)
        other_address = true;
    else if (question.message.text_id == kPortInUse)
        busy_ports |= 1ull << question.port;
}

SettingsVerdict CheckSettingsPage(SettingsPageFields& fields, InstallSettings& settings,
                                  SettingsMachine& machine, const SettingsAnswers& answers)
{
    const bool nobodyAnswers = NobodyAnswers(settings.run_mode);
    TrimBlanks(fields.folder);
    TrimBlanks(fields.service_name);
    CopyText(settings.service_name, fields.service_name);
    // The service manager refuses an empty name: the run would fail only at its service step.
    if (!settings.service_name[0])
        return Refusal(settings, MB_OK | MB_ICONWARNING, kEmptyServiceName);
    if (HasPathSeparator(settings.service_name))
        return Refusal(settings, MB_OK | MB_ICONWARNING, kSlashInServiceName);

    // "C:/Velmora", "C:\\Velmora" or ".." parts would otherwise fail only at the end.
    wchar_t folder[MAX_PATH] = {};
    if (!CanonicalFolder(fields.folder, folder, MAX_PATH))
        return Refusal(settings, MB_OK | MB_ICONERROR, 0, GetLastError());
    SettingsVerdict refusal = {};
    if (!VolumeTakesServer(settings, folder, machine, refusal))
        return refusal;
    CopyText(settings.install_dir, folder);

    // A folder too long for the server's paths would be refused half-way through the run.
    wchar_t executable[MAX_PATH] = {};
    if (!FolderHoldsPayload(folder) || !JoinPath(executable, folder, kServerProgramName))
        return Refusal(settings, MB_OK | MB_ICONERROR, 0, ERROR_FILENAME_EXCED_RANGE);
    // Worked out afresh on every pass: another folder chosen after going back must not
    // keep an earlier folder's upgrade. Only the machine's own records make one.
    const InstallationIdentity identity = machine.IdentifyInstallation(folder, settings.service_name);
    settings.upgrade = false;
    if (!InstallationAllowed(settings, folder, identity, refusal))
        return refusal;
    const bool installation = identity.kind == InstallationKind::kInstalled;
    if (!FolderAllowed(settings, folder, machine.CheckFolder(folder, installation), refusal))
        return refusal;
    settings.upgrade = installation && identity.server_present;
    if (settings.upgrade) {
        InstalledVersion version = machine.ReadVersion(executable);
        // Asked in every run: a downgrade is never taken by default.
        if (version == InstalledVersion::kNewer && !answers.newer_version)
            return Verdict(SettingsNext::kAsk, MB_YESNO | MB_ICONQUESTION, kNewerVersionQuestion);
        if (version != InstalledVersion::kUnversioned)
            machine.KeepConfiguration(folder);
    }

    // The existing-folder question is settled once per folder: a folder confirmed or
    // created on an earlier pass is not asked about again, but another folder is.
    if (lstrcmpiW(folder, fields.settled_folder) != 0) {
        settings.folder_confirmed = false;
        settings.folder_created = false;
    }
    if (!settings.upgrade && !settings.folder_confirmed && !settings.folder_created &&
        machine.FolderExists(folder)) {
        if (!nobodyAnswers && !answers.existing_folder)
            return Verdict(SettingsNext::kAsk, MB_YESNO | MB_ICONWARNING, kFolderExists);
        settings.folder_confirmed = true;
        CopyText(fields.settled_folder, folder);
    }
    if (!settings.saas_mode) {
        DWORD error = ImportCertificate(fields, settings, machine);
        if (error != 0)
            return CertificateRefusal(fields, error);
    }

    const AddressList& offered = *fields.offered;
    size_t selection = fields.selection > 0 && static_cast<size_t>(fields.selection) < offered.count
                           ? static_cast<size_t>(fields.selection) : 0;
    wchar_t address[MAX_PATH] = {};
    AddressList resolved;
    bool resolves = machine.Resolve(settings.domain_name_ansi, resolved);
    if (resolves && !nobodyAnswers && !answers.other_address && !AddressesMatch(offered, selection, resolved)) {
        AddressText(offered, selection, L"any", address);
        return Verdict(SettingsNext::kAsk, MB_YESNO | MB_ICONWARNING, kAddressMismatch, 0,
                       settings.domain_name, address);
    }
    if (!settings.upgrade && !nobodyAnswers) {
        // With any address, every offered address's port must be free.
        size_t last = selection == 0 ? offered.count - 1 : selection;
        for (size_t i = selection; i <= last; ++i) {
            int socketError = 0;
            PortVerdict port = machine.TestPort(offered.entries[i], &socketError);
            if (port == PortVerdict::kNoSocket)
                return Verdict(SettingsNext::kStay, MB_OK | MB_ICONWARNING, 0, static_cast<DWORD>(socketError));
            if (port == PortVerdict::kInUse && !(answers.busy_ports & (1ull << i))) {
                AddressText(offered, i, L"0.0.0.0", address);
                SettingsVerdict question = Verdict(SettingsNext::kAsk, MB_YESNO | MB_ICONWARNING, kPortInUse, 0, address);
                question.port = i;
                return question;
            }
        }
    }
    DWORD error = 0;
    if (!machine.FolderExists(folder) && !machine.CreateFolder(folder, &error)) {
        // Made by somebody else since it was looked at: the rules of an existing folder apply.
        if (error == ERROR_ALREADY_EXISTS && machine.FolderExists(folder))
            return CheckSettingsPage(fields, settings, machine, answers);
        return Refusal(settings, MB_OK | MB_ICONERROR, 0, error);
    }
    if (!settings.folder_confirmed)
        settings.folder_created = true;
    CopyText(fields.settled_folder, folder);

    ZeroMemory(&settings.server_address, sizeof(settings.server_address));
    settings.server_address.sin_family = AF_INET;
    settings.server_address.sin_port = htons(kServerPort);
    settings.server_address.sin_addr.s_addr = offered.entries[selection];
    settings.domain_unresolved = !resolves;
    return Passed(settings);
}
