#include "engine/run/installation_commit.h"

#include <memory>
#include <new>

#include "base/bounded_text.h"
#include "base/setup_log.h"
#include "engine/installation_identity.h"
#include "system/uninstall/remembered_installation_store.h"

void RememberEarlierRelease(const InstallRequest& request, bool serviceIsTheInstallations,
                            RememberedInstallation& memory)
{
    memory = RememberedInstallation();
    const Provenance certificates = request.hosted ? Provenance::kNone : Provenance::kUnknown;
    memory.folder = Provenance::kUnknown;
    memory.server_certificate = certificates;
    memory.root_certificate = certificates;
    memory.trust_list = certificates;
    memory.binding = certificates;
    memory.hosts_block = Provenance::kUnknown;
    memory.shortcuts = request.hosted ? Provenance::kNone : Provenance::kUnknown;
    memory.service = serviceIsTheInstallations ? Provenance::kMade : Provenance::kUnknown;
    CopyText(memory.service_name, request.service_name);
}

namespace {

void LogNotRemembered(DWORD error)
{
    g_setupLog.Line(L"the installation could not remember what it made (system error %lu)", error);
}

} // namespace

void CommitInstallation(const InstallRequest& request, ChangeTransaction& changes)
{
    std::unique_ptr<RememberedInstallation> run(new (std::nothrow) RememberedInstallation);
    std::unique_ptr<RememberedInstallation> kept(new (std::nothrow) RememberedInstallation);
    if (!run || !kept) {
        changes.Commit();
        LogNotRemembered(ERROR_OUTOFMEMORY);
        return;
    }
    // A new installation found what no change claims; an upgrade's run says nothing of what
    // the installation it upgrades had (kNone), which keeps what that one remembered.
    const Provenance found = request.Upgrade() ? Provenance::kNone : Provenance::kFound;
    run->folder = found;
    run->service = found;
    CopyText(run->service_name, request.service_name);
    changes.Commit(run.get());
    if (!request.Upgrade()) {
        *kept = *run;
    } else if (!ReadRememberedInstallation(request.service_name, *kept)) {
        LocalInstallationFacts facts;
        const InstallationIdentity service = IdentifyService(request.folder, request.service_name, facts);
        RememberEarlierRelease(request, service.kind == InstallationKind::kInstalled, *kept);
        ExtendRememberedInstallation(*kept, *run);
    } else {
        ExtendRememberedInstallation(*kept, *run);
    }
    if (!WriteRememberedInstallation(request.service_name, *kept))
        LogNotRemembered(GetLastError());
}
