#include "wizard/wizard_page.h"

#include "base/message_ids.h"
#include "base/message_title.h"
#include "formats/language/language.h"
#include "resources/wizard_ids.h"

namespace {
}

CWizardPage::CWizardPage(UINT dialogId) : CPropertyPageImpl(dialogId, IDS_WIZARD_TITLE)
{
}

bool CWizardPage::OnQueryCancel()
{
    return ConfirmWizardCancel();
}

bool ConfirmWizardCancel()
{
    wchar_t question[512] = {};
    g_language.GetString(kCancelQuestion, question, 512);
    return MessageBoxW(GetActiveWindow(), question, kMessageBoxTitle,
                       MB_YESNO | MB_ICONQUESTION) == IDYES;
}
