#include "wizard/welcome_page/wiz_welcome.h"

#include "base/message_ids.h"
#include "formats/language/language.h"
#include "resources/wizard_ids.h"
#include "wizard/open_address.h"
#include "wizard/welcome_page/maker_site.h"
#include "wizard/window_centering.h"

namespace {
const int kNoticeFontHeight = 12;
}

CWizWelcome::CWizWelcome()
    : CWizardPage(IDD_WIZ_WELCOME),
      notice_font_(CreateFontW(kNoticeFontHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                               DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                               DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, nullptr))
{
}

BOOL CWizWelcome::OnInitDialog()
{
    CenterInWorkArea(Sheet());
    maker_link_.Attach(GetDlgItem(Window(), IDC_MAKER_LINK), kMakerSiteAddress);
    description_.SubclassWindow(GetDlgItem(Window(), IDC_WELCOME_DESCRIPTION));
    wchar_t description[512] = {};
    g_language.GetString(kProductDescription, description, 512);
    SetDlgItemTextW(Window(), IDC_WELCOME_DESCRIPTION, description);
    g_language.TranslateDialog(Window(), IDD_WIZ_WELCOME);
    return TRUE;
}

int CWizWelcome::OnSetActive()
{
    SetWizardButtons(PSWIZB_NEXT);
    SendDlgItemMessageW(Window(), IDC_LEGAL_NOTICE, WM_SETFONT,
                        reinterpret_cast<WPARAM>(notice_font_.Get()), TRUE);
    // Nobody is there to press Next in a quiet run: the page presses it, once, as the user
    // would (posted, as the sheet is still showing the page).
    if (Flow(FlowEvent::kShown).move == FlowMove::kPressNext && !left_by_itself_) {
        left_by_itself_ = true;
        PostMessageW(Sheet(), PSM_PRESSBUTTON, PSBTN_NEXT, 0);
    }
    return kDefaultPage;
}

bool CWizWelcome::OnCommand(WORD id, WORD code, HWND)
{
    if (id != IDC_ONLINE_ASSISTANT || code != BN_CLICKED)
        return false;
    wchar_t address[260] = {};
    FormatAssistantAddress(g_language.CurrentLocale(), address, 260);
    OpenAddress(address, RunMode::kAttended);  // a click is a person's
    return true;
}
