// An installation taken back by what it remembered making.
#include "system/removal/installation_take_back.h"

#include <winsock2.h>
#include <objbase.h>
#include <stdarg.h>

#include <memory>

#include "base/bounded_text.h"
#include "base/installation_names.h"
#include "base/path_join.h"
#include "base/same_folder.h"
#include "base/setup_log.h"
#include "system/certificates/certificate_import_undo.h"
#include "system/certificates/certificate_removal.h"
#include "system/certificates/trust_list.h"
#include "system/hosts/hosts_file.h"
#include "system/http/ssl_binding.h"
#include "system/removal/installation_removal.h"
#include "system/uninstall/remembered_installation_store.h"
#include "system/uninstall/uninstall_entry.h"
#include "system/uninstall/uninstall_entry_list.h"

namespace {

const wchar_t kServerStore[] = L"MY";
const wchar_t kRootStore[] = L"Root";
const wchar_t kCannotTell[] = L"an earlier release installed it and cannot tell whether it made it";
const wchar_t kEarlierMayUse[] = L"an installation of an earlier release may use it";

// The service the removal may take: the one the installation made, else (a record of an
// earlier release) the one its entry is named for.
const wchar_t* ServiceName(const TakeBackPlan& plan)
{
    return plan.record.service == Provenance::kMade && plan.record.service_name[0] ? plan.record.service_name
                                                                                 : plan.service;
}

// The folder the removal takes whole: the installation's own, when it made it.
bool TakesFolderWhole(const TakeBackPlan& plan)
{
    return plan.record.folder == Provenance::kMade;
}

// True when `top` is `folder` or a folder above it.
bool IsFolderOrAbove(const wchar_t* top, const wchar_t* folder)
{
    const size_t length = static_cast<size_t>(lstrlenW(top));
    if (length == 0 || length > static_cast<size_t>(lstrlenW(folder)))
        return false;
    wchar_t head[MAX_PATH];
    CopyTextN(head, MAX_PATH, folder, length);
    return SameFolder(head, top) && (folder[length] == 0 || folder[length] == L'\\' || top[length - 1] == L'\\');
}

// The folders above the installation's own that it made too, emptied of nothing: each goes
// only while it is empty, up to the topmost one it made.
void RemoveEmptyMadeParents(const TakeBackPlan& plan)
{
    const wchar_t* top = plan.record.topmost_made_folder;
    if (!IsFolderOrAbove(top, plan.folder))
        return;
    wchar_t folder[MAX_PATH];
    CopyText(folder, plan.folder);
    while (!SameFolder(folder, top)) {
        wchar_t* separator = wcsrchr(folder, L'\\');
        if (!separator)
            return;
        *separator = 0;
        if (!RemoveDirectoryW(folder))
            return;
    }
}

void LogLine(const wchar_t* format, ...)
{
    wchar_t line[1024];
    va_list arguments;
    va_start(arguments, format);
    FormatTextV(line, 1024, format, arguments);
    va_end(arguments);
    g_setupLog.Line(L"uninstall: %s", line);
}

void TakeService(const TakeBackPlan& plan, TakeBackReport& report)
{
    const wchar_t* name = ServiceName(plan);
    if (!name[0])
        return;
    switch (RemoveServerService(name, plan.folder)) {
    case ServiceRemoval::kDone:
        LogLine(L"the service \"%s\" is stopped and deleted", name);
        return;
    case ServiceRemoval::kNone:
        return;
    case ServiceRemoval::kNotOurs:
        report.Left(0, L"it runs another program than this folder's server", L"the service \"%s\"", name);
        return;
    case ServiceRemoval::kNotStopped:
        report.Left(GetLastError(), nullptr, L"the service \"%s\" (it did not stop; it goes once it ends)", name);
        return;
    case ServiceRemoval::kNotRemoved:
        report.Left(GetLastError(), nullptr, L"the service \"%s\"", name);
        return;
    }
}

void TakeShortcuts(const TakeBackPlan& plan, TakeBackReport& report)
{
    // Only links whose working folder is the installation's go, whoever made them.
    if (plan.record.shortcuts == Provenance::kNone)
        return;
    const bool comReady = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    const bool removed = RemoveProgramShortcuts(kProgramGroupName, plan.folder);
    const DWORD error = GetLastError();
    if (comReady)
        CoUninitialize();
    if (removed)
        LogLine(L"the Start menu shortcuts are deleted");
    else
        report.Left(error, nullptr, L"the Start menu shortcuts");
}

void TakeHostsBlock(const RememberedInstallation& record, TakeBackReport& report)
{
    if (record.hosts_block == Provenance::kUnknown)
        report.Left(0, kCannotTell, L"a line of the hosts file for the server's domain");
    if (record.hosts_block != Provenance::kMade)
        return;
    wchar_t hostsFolder[MAX_PATH];
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = inet_addr(record.hosts_address);
    int namesLeft = 0;
    if (!GetHostsFolder(hostsFolder, MAX_PATH) ||
        !RemoveHostsEntry(hostsFolder, address, record.hosts_domain, record.hosts_taken, &namesLeft)) {
        report.Left(GetLastError(), nullptr, L"the line of the hosts file for \"%S\"", record.hosts_domain);
        return;
    }
    LogLine(L"the line of the hosts file for \"%S\" is deleted", record.hosts_domain);
    if (namesLeft > 0)
        report.Left(0, L"they were changed since", L"\"%S\" on %d line(s) of the hosts file that named it before",
                    record.hosts_domain, namesLeft);
}

void TakeBinding(const RememberedInstallation& record, TakeBackReport& report)
{
    if (record.binding == Provenance::kUnknown)
        report.Left(0, kCannotTell, L"the HTTPS binding of port 443");
    if (record.binding != Provenance::kMade)
        return;
    const wchar_t* address = record.binding_address;
    SavedSslBinding now;
    if (!SaveSslBinding(address, now)) {
        report.Left(GetLastError(), nullptr, L"the HTTPS binding of %s:443", address);
        return;
    }
    if (now.Empty())
        return;
    if (!now.BindsCertificate(record.server_thumbprint, sizeof(record.server_thumbprint))) {
        report.Left(0, L"it is bound to another certificate now", L"the HTTPS binding of %s:443", address);
        return;
    }
    SavedSslBinding replaced;
    // Bytes that cannot be read give nothing back: the binding then only goes.
    LoadSslBinding(record.replaced_binding, record.replaced_binding_size, replaced);
    if (!RestoreSslBinding(address, replaced)) {
        report.Left(GetLastError(), nullptr, L"the HTTPS binding of %s:443", address);
        return;
    }
    LogLine(L"the HTTPS binding of %s:443 is %s", address, replaced.Empty() ? L"deleted" : L"given back what it was");
}

// Whether a certificate-like thing is to be taken; what stays is said.
bool Takes(Provenance provenance, SharedThingFate fate, const wchar_t* what, TakeBackReport& report)
{
    if (provenance == Provenance::kUnknown)
        report.Left(0, kCannotTell, L"%s", what);
    if (provenance != Provenance::kMade)
        return false;
    if (fate == SharedThingFate::kKeep)
        report.Left(0, kEarlierMayUse, L"%s", what);
    return fate == SharedThingFate::kTake;
}

void Note(bool done, const wchar_t* what, TakeBackReport& report)
{
    if (done)
        LogLine(L"%s is deleted", what);
    else
        report.Left(GetLastError(), nullptr, L"%s", what);
}

void TakeCertificates(const TakeBackPlan& plan, TakeBackReport& report)
{
    const RememberedInstallation& record = plan.record;
    if (Takes(record.server_certificate, plan.shared.server_certificate, L"the server certificate", report))
        Note(RemoveImportedCertificate(kServerStore, record.server_thumbprint, record.key_container,
                                       record.replaced_certificate, record.replaced_certificate_size),
             L"the server certificate with its key", report);
    if (Takes(record.root_certificate, plan.shared.root_certificate, L"the root certificate", report))
        Note(DeleteMachineCertificate(kRootStore, record.root_thumbprint, sizeof(record.root_thumbprint), L""),
             L"the root certificate", report);
    if (Takes(record.trust_list, plan.shared.trust_list, L"the server's trust list", report))
        Note(DeleteServerTrustList(), L"the server's trust list", report);
}

// The other installations take over what they share first: a removal stopped half-way
// never leaves a shared thing without its maker.
void HandOver(const TakeBackPlan& plan, TakeBackReport& report)
{
    for (const TakeBackHeir& heir : plan.heirs) {
        if (WriteRememberedInstallation(heir.service.c_str(), heir.record))
            LogLine(L"the installation \"%s\" takes over what it shares with this one", heir.service.c_str());
        else
            report.Left(GetLastError(), nullptr, L"the record of the installation \"%s\", which shares things with this one",
                        heir.service.c_str());
    }
}

void TakeFiles(const TakeBackPlan& plan, TakeBackReport& report)
{
    if (TakesFolderWhole(plan)) {
        if (!DeleteFolderTree(plan.folder)) {
            report.Left(GetLastError(), nullptr, L"the folder \"%s\" (a part of it)", plan.folder);
            return;
        }
        RemoveEmptyMadeParents(plan);
        LogLine(L"the folder \"%s\" is deleted", plan.folder);
        return;
    }
    if (!RemoveRecordedInstallation(plan.folder))
        report.Left(GetLastError(), nullptr, L"some of the files of Velmora Server in \"%s\"", plan.folder);
    if (RemoveDirectoryW(plan.folder) || GetLastError() == ERROR_FILE_NOT_FOUND)
        LogLine(L"the folder \"%s\" is deleted", plan.folder);
    else if (GetLastError() == ERROR_DIR_NOT_EMPTY)
        report.Left(0,
                    plan.record.folder == Provenance::kUnknown ? kCannotTell
                                                               : L"it was there before, and holds what the installation did not make",
                    L"the folder \"%s\"", plan.folder);
    else
        report.Left(GetLastError(), nullptr, L"the folder \"%s\"", plan.folder);
}

void TakeEntry(const TakeBackPlan& plan, TakeBackReport& report)
{
    if (plan.service[0] && !RemoveRememberedInstallation(plan.service))
        report.Left(GetLastError(), nullptr, L"the record of what the installation made");
    if (RemoveUninstallEntriesOfFolder(plan.folder))
        LogLine(L"the entry among the installed programs is deleted");
    else
        report.Left(GetLastError(), nullptr, L"the entry of Velmora Server among the installed programs");
}

} // namespace

void TakeBackReport::Left(DWORD error, const wchar_t* why, const wchar_t* format, ...)
{
    LeftThing& thing = things_[count_ < kCapacity ? count_ : kCapacity - 1];
    va_list arguments;
    va_start(arguments, format);
    FormatTextV(thing.what, sizeof(thing.what) / sizeof(thing.what[0]), format, arguments);
    va_end(arguments);
    thing.error = error != 0 || why ? error : static_cast<DWORD>(ERROR_GEN_FAILURE);
    CopyText(thing.why, why ? why : L"");
    if (count_ < kCapacity)
        ++count_;
    if (thing.error)
        g_setupLog.Line(L"uninstall: %s stays (system error %lu)", thing.what, thing.error);
    else
        g_setupLog.Line(L"uninstall: %s stays: %s", thing.what, thing.why);
}

DWORD TakeBackReport::FirstError() const
{
    for (int i = 0; i < count_; ++i)
        if (things_[i].error)
            return things_[i].error;
    return 0;
}

bool PlanTakeBack(const wchar_t* folder, TakeBackPlan& plan)
{
    CopyText(plan.folder, folder);
    plan.service[0] = 0;
    plan.heirs.clear();
    std::vector<ListedInstallation> entries;
    if (!ListUninstallEntries(entries))
        return false;
    for (const ListedInstallation& entry : entries)
        if (!plan.service[0] && SameFolder(entry.location.c_str(), folder) && FitsInto(entry.service.c_str(), 64)) {
            CopyText(plan.service, entry.service.c_str());
            CopyText(plan.folder, entry.location.c_str());
        }
    plan.remembered = plan.service[0] && ReadRememberedInstallation(plan.service, plan.record);
    if (!plan.remembered)
        ForgetRememberedInstallation(plan.record);

    // Every other installation of the server, once, with what it remembers (all kUnknown
    // when it has no record).
    std::vector<TakeBackHeir> others;
    for (const ListedInstallation& entry : entries) {
        const wchar_t* service = entry.service.c_str();
        bool seen = SameName(service, plan.service);
        for (const TakeBackHeir& other : others)
            seen = seen || SameName(service, other.service.c_str());
        if (seen)
            continue;
        others.push_back(TakeBackHeir{entry.service, RememberedInstallation()});
        ReadRememberedInstallation(service, others.back().record);
    }
    std::vector<RememberedInstallation> records;
    for (const TakeBackHeir& other : others)
        records.push_back(other.record);
    std::unique_ptr<bool[]> changed(new bool[records.size() + 1]());
    plan.shared = HandOverSharedThings(plan.record, records.data(), changed.get(), static_cast<int>(records.size()));
    for (size_t i = 0; i < others.size(); ++i)
        if (changed[i])
            plan.heirs.push_back(TakeBackHeir{others[i].service, records[i]});
    return true;
}

void DescribeTakeBack(const TakeBackPlan& plan, wchar_t (&lines)[kTakeBackLineCapacity][MAX_PATH + 96], int& count)
{
    count = 0;
    auto line = [&lines, &count](const wchar_t* format, auto... arguments) {
        if (count < kTakeBackLineCapacity)
            FormatText(lines[count++], format, arguments...);
    };
    const RememberedInstallation& record = plan.record;
    if (ServiceName(plan)[0])
        line(L"the service \"%s\", stopped and deleted", ServiceName(plan));
    if (record.shortcuts != Provenance::kNone)
        line(L"the Start menu shortcuts");
    if (record.hosts_block == Provenance::kMade)
        line(L"the line of the hosts file for \"%S\"", record.hosts_domain);
    if (record.binding == Provenance::kMade)
        line(L"the HTTPS binding of %s:443", record.binding_address);
    if (record.server_certificate == Provenance::kMade && plan.shared.server_certificate == SharedThingFate::kTake)
        line(L"the server certificate with its private key");
    if (record.root_certificate == Provenance::kMade && plan.shared.root_certificate == SharedThingFate::kTake)
        line(L"the root certificate");
    if (record.trust_list == Provenance::kMade && plan.shared.trust_list == SharedThingFate::kTake)
        line(L"the server's trust list");
    if (plan.service[0])
        line(L"its entry among the installed programs");
    if (TakesFolderWhole(plan))
        line(L"the folder \"%s\" with all its files, the server's data included", plan.folder);
    else
        line(L"the files Velmora Server put into \"%s\"; the folder stays if anything else is in it", plan.folder);
}

bool CarryOutTakeBack(const TakeBackPlan& plan, TakeBackReport& report)
{
    // The service first: while its server runs, its files cannot be deleted.
    TakeService(plan, report);
    HandOver(plan, report);
    TakeShortcuts(plan, report);
    TakeHostsBlock(plan.record, report);
    TakeBinding(plan.record, report);
    TakeCertificates(plan, report);
    TakeFiles(plan, report);
    TakeEntry(plan, report);
    return report.FirstError() == 0;
}
