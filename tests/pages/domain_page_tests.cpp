// The domain-name page in the running wizard: its explanation, its two choices and the
// hosts file of this system that Next writes, found where the system keeps it. Its
// buttons and Back: WizardFlow.PagesFollowTheKindOfRun.
#include <gtest/gtest.h>
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "base/bounded_text.h"
#include "base/install_settings.h"
#include "base/scoped_handle.h"
#include "pages/page_fixture.h"
#include "resources/wizard_ids.h"
#include "support/hosts_file_keeper.h"
#include "support/system_error_text.h"
#include "support/temp_folder.h"

namespace {

class DomainPage : public PageTest
{
protected:
    void SetUp() override
    {
        PageTest::SetUp();
        // Longer than the explanation shows.
        domain_ = std::string(180, 'd') + "-" + std::to_string(GetCurrentProcessId()) + ".test";
        CopyText(g_settings.domain_name_ansi, domain_.c_str());
        MultiByteToWideChar(CP_ACP, 0, domain_.c_str(), -1, g_settings.domain_name, 260);
        g_settings.domain_unresolved = true;
    }

    HostsFileKeeper hosts_;
    std::string domain_;
};

} // namespace

// Unattended, as the page waits for the user in every run and tells him why it stays: a
// hosts file that another program holds keeps the page with the system's reason and the file
// as it was; once free, the entry offered first is added; back again, the other choice goes
// on and leaves the file as it is.
TEST_F(DomainPage, ExplainsTheNameAddsTheHostsEntryOnlyWhenChosenAndShowsWhyItCannot)
{
    g_settings.run_mode = RunMode::kUnattended;
    g_settings.server_address.sin_family = AF_INET;
    g_settings.server_address.sin_addr.S_un.S_un_b = { 10, 20, 30, 40 };
    if (!hosts_.Existed()) {
        ASSERT_TRUE(WriteWholeFile(hosts_.Path(), "127.0.0.1 localhost\r\n"));
    }
    const std::string unchanged = hosts_.Text();
    // Another program has the file open without sharing it for writing.
    UniqueHandle held(CreateFileW(hosts_.Path().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held.IsValid());
    std::string whileHeld, added, skipped;
    int pageAfterFailure = 0;
    WizardRun run = RunOnPage(IDD_WIZ_SETHOST, [&](WizardDriver& wizard) {
        EXPECT_EQ(L"The installer couldn't find the domain name of \"" + std::wstring(domain_.begin(), domain_.begin() + 128) +
                      L"\". Probably, it is not registered with DNS.",
                  ItemText(wizard, IDC_DOMAIN_UNRESOLVED))
            << "cut, closing quote kept";
        EXPECT_EQ(BST_CHECKED, SendMessageW(wizard.Item(IDC_ADD_HOSTS_ENTRY), BM_GETCHECK, 0, 0));
        EXPECT_EQ(BST_UNCHECKED, SendMessageW(wizard.Item(IDC_SKIP_HOSTS_ENTRY), BM_GETCHECK, 0, 0));
        wizard.Press(PSBTN_NEXT);
        pageAfterFailure = wizard.PageId();
        whileHeld = hosts_.Text();
        held.Reset();
        ASSERT_TRUE(wizard.Next(IDD_WIZ_USERS));
        added = hosts_.Text();
        ASSERT_TRUE(wizard.Back(IDD_WIZ_SETHOST));
        wizard.Click(IDC_SKIP_HOSTS_ENTRY);
        ASSERT_TRUE(wizard.Next(IDD_WIZ_USERS));
        skipped = hosts_.Text();
    }, AcceptBox);
    ASSERT_TRUE(run.scriptFinished);
    EXPECT_EQ(IDD_WIZ_SETHOST, pageAfterFailure);
    EXPECT_EQ(unchanged, whileHeld);
    std::string block = "\r\n\r\n# Added by Velmora Setup\r\n10.20.30.40 " + domain_ + "\r\n\r\n";
    ASSERT_GE(added.size(), block.size());
    EXPECT_EQ(block, added.substr(added.size() - block.size()));
    EXPECT_GE(added.size() - block.size(), hosts_.Kept().size()) << "no entry of the system's file is lost";
    EXPECT_EQ(added, skipped);
    ASSERT_EQ(2u, run.boxes.size()) << "the reason, then the final cancel question";
    EXPECT_EQ(0u, run.boxes[0].text.find(SystemErrorText(ERROR_SHARING_VIOLATION))) << "the system's reason";
    EXPECT_EQ(LoadIconW(nullptr, IDI_ERROR), run.boxes[0].icon);
    EXPECT_NE(nullptr, run.boxes[0].owner) << "owned by the page";
}
