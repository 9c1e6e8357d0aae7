// Each kind of change on this machine: applied, it adds what it says; undone, the machine
// is as it was, and what was there before stays or comes back as it was.
#include <gtest/gtest.h>
#include <winsock2.h>
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/scoped_handle.h"
#include "base/scoped_seam.h"
#include "base/setup_tools.h"
#include "certificates/certificate_fixtures.h"
#include "engine/changes/backup_change.h"
#include "engine/changes/binding_change.h"
#include "engine/changes/certificate_changes.h"
#include "engine/changes/change_transaction.h"
#include "engine/changes/folder_changes.h"
#include "engine/changes/hosts_change.h"
#include "engine/changes/listing_changes.h"
#include "engine/changes/service_changes.h"
#include "formats/installation_record/installation_record.h"
#include "install/fake_bindings.h"
#include "services/service_test_support.h"
#include "support/installation_fixture.h"
#include "support/machine_state.h"
#include "support/temp_folder.h"
#include "system/certificates/certificate_import.h"
#include "system/certificates/key_container.h"
#include "system/certificates/trust_list.h"
#include "system/http/ssl_binding_seams.h"
#include "system/services/service_command.h"
#include "system/uninstall/uninstall_entry.h"

namespace {

struct Kind
{
    const char* name;
    // Makes what was there before, in the test's folder (its path given).
    std::function<void(const std::wstring& folder)> arrange;
    std::function<MachineChange*(const std::wstring& folder)> make;
    // What applying it (and what the run does next, `then`) adds or changes, as
    // MachineDifference tells it ("" for nothing); a line ending in '*' stands for any line
    // that begins so.
    std::function<std::wstring(const std::wstring& folder)> applied;
    // Besides the machine's state, after the undo.
    std::function<void(const std::wstring& folder)> undone = [](const std::wstring&) {};
    std::function<void(const std::wstring& folder)> then = [](const std::wstring&) {};
};

// Whether `actual` has the lines of `expected`, in order, '*' ending a line that begins so.
bool SameDifference(const std::wstring& expected, const std::wstring& actual)
{
    size_t e = 0, a = 0;
    while (e < expected.size() && a < actual.size()) {
        const size_t eEnd = expected.find(L'\n', e), aEnd = actual.find(L'\n', a);
        const std::wstring want = expected.substr(e, eEnd - e), line = actual.substr(a, aEnd - a);
        if (!want.empty() && want.back() == L'*' ? line.compare(0, want.size() - 1, want, 0, want.size() - 1) != 0
                                                  : want != line)
            return false;
        e = eEnd + 1;
        a = aEnd + 1;
    }
    return e >= expected.size() && a >= actual.size();
}

std::vector<std::wstring> StateWithBindings(const std::wstring& folder)
{
    std::vector<std::wstring> state = MachineState(folder);
    g_bindings.AddLines(state);
    return state;
}

const std::string kOtherHash = std::string("\xAA").append(19, '\0');
BYTE g_serverHash[20] = {0x11};

TEST(ChangeKinds, EachTakesBackWhatItMadeAndNothingElse)
{
    const std::wstring service = L"VelmoraKinds" + std::to_wstring(GetCurrentProcessId());
    const std::vector<BYTE> root = ReadCertificateFile(L"BrindlewayRootCA.cer");
    const Kind kinds[] = {
        {"a folder made with the folders above it", [](const std::wstring&) {},
         [](const std::wstring& f) { return new MadeFolderChange((f + L"\\a\\b\\c").c_str()); },
         [](const std::wstring&) { return L"+file a\\\n+file a\\b\\\n+file a\\b\\c\\\n"; }},
        {"a folder below one that was there", [](const std::wstring& f) { CreateDirectoryW((f + L"\\a").c_str(), 0); },
         [](const std::wstring& f) { return new MadeFolderChange((f + L"\\a\\b").c_str()); },
         [](const std::wstring&) { return L"+file a\\b\\\n"; }},
        {"the files on the record, beside one that was there",
         [](const std::wstring& f) { WriteWholeFile(f + L"\\mine.txt", "mine"); },
         [](const std::wstring& f) { return new RecordedFilesChange(f.c_str()); },
         [](const std::wstring&) { return L"+file run.txt\n+file uninstall.lst\n"; },
         [](const std::wstring& f) { EXPECT_EQ("mine", ReadWholeFile(f + L"\\mine.txt")); },
         [](const std::wstring& f) {
             InstallationRecordWriter record;
             EXPECT_TRUE(record.Open(f.c_str(), false) && record.Add(RecordedKind::kFile, L"run.txt"));
             WriteWholeFile(f + L"\\run.txt", "run");
         }},
        {"a backup, the file the run replaced put back", [](const std::wstring& f) { WriteWholeFile(f + L"\\x", "old"); },
         [](const std::wstring& f) {
             return new BackupChange(L"VelmoraNoSuchService", f.c_str(), (f + L"\\backups").c_str(),
                                     (f + L"\\backups\\1").c_str(), MarkInstallationRecord(f.c_str()));
         },
         [](const std::wstring&) { return L"+file backups\\\n+file backups\\1\\\n+file backups\\1\\x\n"; },
         [](const std::wstring& f) { EXPECT_EQ("old", ReadWholeFile(f + L"\\x")); },
         [](const std::wstring& f) {
             MoveFileW((f + L"\\x").c_str(), (f + L"\\backups\\1\\x").c_str());
             WriteWholeFile(f + L"\\x", "new");
         }},
        {"an entry among the installed programs, none before", [](const std::wstring&) {},
         [&](const std::wstring& f) { return new UninstallEntryChange(service.c_str(), f.c_str(), 1); },
         [&](const std::wstring& f) { return L"+uninstall VelmoraServer_" + service + L" " + f + L"\n"; }},
        {"an entry of the same name that was there comes back",
         [&](const std::wstring& f) { WriteUninstallEntry(service.c_str(), (f + L"-other").c_str(), 1); },
         [&](const std::wstring& f) { return new UninstallEntryChange(service.c_str(), f.c_str(), 1); },
         [&](const std::wstring& f) {
             return L"-uninstall VelmoraServer_" + service + L" " + f + L"-other\n+uninstall VelmoraServer_" +
                    service + L" " + f + L"\n";
         },
         [&](const std::wstring& f) { RemoveUninstallEntriesOfFolder((f + L"-other").c_str()); }},
        {"the hosts lines: the block goes, the name comes back to its line, a line added since stays",
         [](const std::wstring& f) { WriteWholeFile(f + L"\\hosts", "127.0.0.1 localhost\r\n10.0.0.1 a velmora.test b\r\n"); },
         [](const std::wstring& f) {
             sockaddr_in address = {};
             address.sin_addr.s_addr = inet_addr("10.9.8.7");
             return new HostsChange(f.c_str(), address, "velmora.test");
         },
         [](const std::wstring&) { return L""; },
         [](const std::wstring& f) {
             EXPECT_EQ("127.0.0.1 localhost\r\n10.0.0.1 a velmora.test b\r\n10.0.0.9 since\r\n",
                       ReadWholeFile(f + L"\\hosts"));
         },
         [](const std::wstring& f) {
             EXPECT_EQ(std::string::npos, ReadWholeFile(f + L"\\hosts").find("a velmora.test"));
             const std::string now = ReadWholeFile(f + L"\\hosts");
             WriteWholeFile(f + L"\\hosts", now + "10.0.0.9 since\r\n");
         }},
        {"a binding where there was none", [](const std::wstring&) {},
         [](const std::wstring&) { return new SslBindingChange(L"10.9.8.7", g_serverHash); },
         [](const std::wstring&) { return L"+binding 10.9.8.7:443 11*\n"; }},
        {"a binding over another program's, which comes back",
         [](const std::wstring&) { g_bindings.hashes[L"10.9.8.7:443"] = kOtherHash; },
         [](const std::wstring&) { return new SslBindingChange(L"10.9.8.7", g_serverHash); },
         [](const std::wstring&) { return L"-binding 10.9.8.7:443 AA*\n+binding 10.9.8.7:443 11*\n"; }},
        {"the root certificate, not there before", [](const std::wstring&) {},
         [&](const std::wstring&) { return new RootCertificateChange(root.data(), static_cast<DWORD>(root.size())); },
         [](const std::wstring&) { return L"+Root *\n"; }},
        {"the root certificate, there before",
         [&](const std::wstring&) { AddRootCertificate(root.data(), static_cast<DWORD>(root.size()), L"Root"); },
         [&](const std::wstring&) { return new RootCertificateChange(root.data(), static_cast<DWORD>(root.size())); },
         [](const std::wstring&) { return L""; },
         [](const std::wstring&) { RemoveFromMachineStore(L"Root", RootCertificateHash()); }},
        {"the trust list, not there before", [](const std::wstring&) {},
         [](const std::wstring&) { return new TrustListChange(); },
         [](const std::wstring&) { return L"+CA list *\n"; }},
        {"the trust list, there before", [](const std::wstring&) { EnsureServerTrustList(); },
         [](const std::wstring&) { return new TrustListChange(); }, [](const std::wstring&) { return L""; },
         [](const std::wstring&) { DeleteServerTrustList(); }},
        {"a service created for the folder", [](const std::wstring&) {},
         [&](const std::wstring& f) {
             return new CreatedServiceChange((L"\"" + f + L"\\Velmora.exe\" /start").c_str(), service.c_str(),
                                             L"Velmora (kinds)", f.c_str());
         },
         [&](const std::wstring&) { return L"+service " + service + L"\n"; }},
        {"a running service of the name, stopped, runs again",
         [&](const std::wstring&) {
             ASSERT_TRUE(g_setupTools.InstallService(FixtureCommandLine(L"").c_str(), service.c_str(), L"k", L"k"));
             ASSERT_EQ(static_cast<DWORD>(SERVICE_RUNNING), g_setupTools.ControlServiceAndWait(service.c_str(), false));
         },
         [&](const std::wstring&) { return new StoppedServiceChange(service.c_str(), nullptr, nullptr); },
         [&](const std::wstring&) { return L"-service " + service + L" running\n+service " + service + L"\n"; },
         [&](const std::wstring&) {
             g_setupTools.ControlServiceAndWait(service.c_str(), true);
             g_setupTools.RemoveService(service.c_str());
         }},
        {"a service's command line, the old one comes back",
         [&](const std::wstring&) {
             ASSERT_TRUE(g_setupTools.InstallService(FixtureCommandLine(L"").c_str(), service.c_str(), L"k", L"k"));
         },
         [&](const std::wstring& f) { return new ServiceCommandChange(service.c_str(), (L"\"" + f + L"\\x.exe\"").c_str()); },
         [](const std::wstring&) { return L""; },
         [&](const std::wstring&) {
             wchar_t command[2 * MAX_PATH] = {};
             EXPECT_TRUE(ReadServiceCommand(service.c_str(), command, 2 * MAX_PATH));
             EXPECT_EQ(FixtureCommandLine(L""), command);
             g_setupTools.RemoveService(service.c_str());
         }},
    };
    ScopedSeam<HttpSetServiceConfigurationCall> set(g_httpSetServiceConfigurationCall, FakeSet);
    ScopedSeam<HttpQueryServiceConfigurationCall> query(g_httpQueryServiceConfigurationCall, FakeQuery);
    ScopedSeam<HttpDeleteServiceConfigurationCall> remove(g_httpDeleteServiceConfigurationCall, FakeDelete);
    RemoveFromMachineStore(L"Root", RootCertificateHash());
    DeleteServerTrustList();
    for (const Kind& kind : kinds) {
        SCOPED_TRACE(kind.name);
        g_bindings = FakeBindings();
        TempFolder temp(L"kinds");
        const std::wstring& folder = temp.Path();
        ASSERT_NO_FATAL_FAILURE(kind.arrange(folder));
        const std::vector<std::wstring> before = StateWithBindings(folder);
        {
            ChangeTransaction changes;
            ASSERT_TRUE(changes.Apply(kind.make(folder))) << GetLastError();
            kind.then(folder);
            const std::wstring applied = MachineDifference(before, StateWithBindings(folder));
            EXPECT_TRUE(SameDifference(kind.applied(folder), applied)) << applied;
            EXPECT_EQ(0, changes.RollBack().failed);
        }
        EXPECT_EQ(L"", MachineDifference(before, StateWithBindings(folder)));
        kind.undone(folder);
    }
}

// The settings page imports again after each answer: another certificate chosen there takes
// back the entry and the key of the one imported before, and no imported key is exportable.
TEST(ChangeKinds, AnotherServerCertificateOfTheRunTakesBackTheOneBefore)
{
    const std::vector<BYTE> first = ReadCertificateFile(L"default_server.pfx");
    const std::vector<BYTE> second = ReadCertificateFile(L"test_password.pfx");
    BYTE firstHash[20] = {}, secondHash[20] = {};
    // Neither is there before: a certificate found in the store is reused, and stays.
    RemoveFromMachineStore(L"MY", CertificateHash(ImportedImage(L"default_server.pfx").WithCommonName(L"localhost")));
    RemoveFromMachineStore(
        L"MY", CertificateHash(ImportedImage(L"test_password.pfx", kPasswordOfTestPfx).WithCommonName(L"password.test")));
    TempFolder temp(L"kinds");
    const std::vector<std::wstring> before = MachineState(temp.Path());
    {
        ChangeTransaction changes;
        ASSERT_TRUE(changes.Apply(
            new ServerCertificateChange(first.data(), static_cast<DWORD>(first.size()), L"", firstHash)));
        ASSERT_TRUE(changes.Apply(new ServerCertificateChange(second.data(), static_cast<DWORD>(second.size()),
                                                              kPasswordOfTestPfx, secondHash)));
        const std::vector<BYTE> firstAsVector(firstHash, firstHash + 20), secondAsVector(secondHash, secondHash + 20);
        EXPECT_EQ(0, CountInMachineStore(L"MY", firstAsVector)) << "the first import's entry stayed";
        ASSERT_EQ(1, CountInMachineStore(L"MY", secondAsVector));
        UniqueCertStore store(CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"MY"));
        CRYPT_HASH_BLOB blob = {20, secondHash};
        UniqueCertContext imported(
            CertFindCertificateInStore(store.Get(), X509_ASN_ENCODING, 0, CERT_FIND_SHA1_HASH, &blob, nullptr));
        ASSERT_TRUE(imported);
        KeyLink link = {};
        ASSERT_TRUE(ReadKeyLink(imported.Get(), &link));
        HCRYPTPROV provider = 0;
        // Among the machine's keys, though Wine's import does not say so in the link.
        ASSERT_TRUE(CryptAcquireContextW(&provider, link.container, link.provider, link.type,
                                         CRYPT_MACHINE_KEYSET | CRYPT_SILENT))
            << "the replaced import took the key of the certificate that replaced it";
        HCRYPTKEY key = 0;
        // Wine links the key as of both kinds; it is the exchange key.
        ASSERT_TRUE(CryptGetUserKey(provider, link.key_spec == AT_SIGNATURE ? AT_SIGNATURE : AT_KEYEXCHANGE, &key));
        DWORD permissions = 0, size = sizeof(permissions);
        EXPECT_TRUE(CryptGetKeyParam(key, KP_PERMISSIONS, reinterpret_cast<BYTE*>(&permissions), &size, 0));
        EXPECT_EQ(0u, permissions & CRYPT_EXPORT) << "the server's private key can be exported";
        CryptDestroyKey(key);
        CryptReleaseContext(provider, 0);
    }
    EXPECT_EQ(L"", MachineDifference(before, MachineState(temp.Path())));
}

} // namespace
