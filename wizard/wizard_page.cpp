#include "wizard/wizard_page.h"

#include "base/message_ids.h"
#include "formats/language/message_box.h"
#include "resources/wizard_ids.h"

CWizardPage::CWizardPage(UINT dialogId) : CPropertyPageImpl(dialogId, IDS_WIZARD_TITLE)
{
}

bool CWizardPage::OnQueryCancel()
{
    return ConfirmWizardCancel();
}

bool ConfirmWizardCancel()
{
    return ShowMessage(GetActiveWindow(), kQuestionMessage, kCancelQuestion) == IDYES;
}
