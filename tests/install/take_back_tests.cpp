// The removal of installations that share what one of them made: the root certificate and
// the trust list stay while an installation that found them is left, and go with it.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>

#include "support/at_scope_exit.h"
#include "support/temp_folder.h"
#include "support/uninstall_entry_reader.h"
#include "system/certificates/certificate_import.h"
#include "system/certificates/certificate_removal.h"
#include "system/certificates/trust_list.h"
#include "system/removal/installation_take_back.h"
#include "system/uninstall/remembered_installation_store.h"
#include "system/uninstall/uninstall_entry.h"

namespace {

const wchar_t kRootStore[] = L"Root";

struct Installation
{
    std::wstring service;
    std::wstring folder;
};

// An installation as the setup leaves it, as far as the removal reads it: its folder with a
// file, its entry, and its record, which says it made the folder and `shared` the root
// certificate and the trust list.
void Install(const Installation& installation, Provenance shared, const BYTE (&root)[20])
{
    ASSERT_TRUE(CreateDirectoryW(installation.folder.c_str(), nullptr));
    ASSERT_TRUE(WriteWholeFile(installation.folder + L"\\Velmora.exe", "MZ"));
    ASSERT_TRUE(WriteUninstallEntry(installation.service.c_str(), installation.folder.c_str(), 1));
    std::unique_ptr<RememberedInstallation> record(new RememberedInstallation);
    record->folder = Provenance::kMade;
    wcscpy(record->topmost_made_folder, installation.folder.c_str());
    record->root_certificate = record->trust_list = shared;
    memcpy(record->root_thumbprint, root, sizeof(root));
    record->service = Provenance::kMade;
    wcscpy(record->service_name, installation.service.c_str());
    ASSERT_TRUE(WriteRememberedInstallation(installation.service.c_str(), *record));
}

// Plans and carries out the removal of the installation in `folder`; the plan's lines.
std::wstring Remove(const Installation& installation)
{
    std::unique_ptr<TakeBackPlan> plan(new TakeBackPlan);
    EXPECT_TRUE(PlanTakeBack(installation.folder.c_str(), *plan));
    EXPECT_STREQ(installation.service.c_str(), plan->service);
    wchar_t lines[kTakeBackLineCapacity][MAX_PATH + 96];
    int count = 0;
    DescribeTakeBack(*plan, lines, count);
    std::wstring described;
    for (int i = 0; i < count; ++i)
        described += std::wstring(lines[i]) + L"\n";
    TakeBackReport report;
    EXPECT_TRUE(CarryOutTakeBack(*plan, report)) << report.At(0).what;
    EXPECT_FALSE(PathExists(installation.folder));
    EXPECT_FALSE(UninstallEntryReader(installation.service).Exists());
    return described;
}

bool HasTrustList()
{
    bool created = false;
    return EnsureServerTrustList(&created) && !created;
}

}  // namespace

TEST(TakeBack, TheSharedRootCertificateAndTrustListGoWithTheLastInstallationThatUsesThem)
{
    const std::string root = ReadWholeFile(VELMORA_CERTIFICATES_DIR L"\\BrindlewayRootCA.cer");
    ASSERT_FALSE(root.empty());
    BYTE hash[20] = {};
    // The first installation adds them; what earlier runs left goes first.
    ASSERT_EQ(0u, AddRootCertificate(reinterpret_cast<const BYTE*>(root.data()), static_cast<DWORD>(root.size()),
                                     kRootStore, hash));
    ASSERT_TRUE(DeleteMachineCertificate(kRootStore, hash, sizeof(hash), L""));
    ASSERT_TRUE(DeleteServerTrustList());
    ASSERT_EQ(0u, AddRootCertificate(reinterpret_cast<const BYTE*>(root.data()), static_cast<DWORD>(root.size()),
                                     kRootStore, hash));
    bool created = false;
    ASSERT_TRUE(EnsureServerTrustList(&created));
    ASSERT_TRUE(created);

    TempFolder temp(L"takeback");
    const Installation first{L"VelmoraTakeBack1", temp.File(L"first")};
    const Installation second{L"VelmoraTakeBack2", temp.File(L"second")};
    AtScopeExit forget([&] {
        for (const Installation* each : {&first, &second}) {
            RemoveRememberedInstallation(each->service.c_str());
            UninstallEntryReader(each->service).Delete();
        }
    });
    ASSERT_NO_FATAL_FAILURE(Install(first, Provenance::kMade, hash));
    ASSERT_NO_FATAL_FAILURE(Install(second, Provenance::kFound, hash));

    const std::wstring firstLines = Remove(first);
    EXPECT_EQ(std::wstring::npos, firstLines.find(L"root certificate")) << firstLines;
    EXPECT_TRUE(MachineStoreHolds(kRootStore, hash, sizeof(hash)));
    EXPECT_TRUE(HasTrustList());
    std::unique_ptr<RememberedInstallation> heir(new RememberedInstallation);
    ASSERT_TRUE(ReadRememberedInstallation(second.service.c_str(), *heir));
    EXPECT_EQ(Provenance::kMade, heir->root_certificate);
    EXPECT_EQ(Provenance::kMade, heir->trust_list);

    const std::wstring secondLines = Remove(second);
    EXPECT_NE(std::wstring::npos, secondLines.find(L"root certificate")) << secondLines;
    EXPECT_FALSE(MachineStoreHolds(kRootStore, hash, sizeof(hash)));
    created = false;
    EXPECT_TRUE(EnsureServerTrustList(&created));
    EXPECT_TRUE(created) << "the trust list stayed";
    DeleteServerTrustList();
}
