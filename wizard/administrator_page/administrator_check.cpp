#include "wizard/administrator_page/administrator_check.h"

#include <wchar.h>

#include "base/bounded_text.h"
#include "base/message_ids.h"
#include "formats/digest/digest160.h"
#include "formats/language/language.h"
#include "wizard/administrator_page/admin_login.h"
#include "wizard/settings_text.h"

namespace {

const size_t kShortestPassword = 6;

// Trims the field into the setting: false (to mark the box) when nothing is left.
bool TakeField(wchar_t* field, wchar_t (&setting)[64])
{
    TrimBlanks(field);
    CopyText(setting, field);
    return field[0] != 0;
}

bool DigestIsSet(const InstallSettings& settings)
{
    for (BYTE b : settings.admin_password_digest)
        if (b)
            return true;
    return false;
}

} // namespace

AdministratorVerdict CheckAdministratorPage(AdministratorFields& fields, InstallSettings& settings)
{
    AdministratorVerdict verdict = {};
    verdict.name_marked = !TakeField(fields.name, settings.admin_name);
    verdict.surname_marked = !TakeField(fields.surname, settings.admin_surname);
    verdict.login_marked = !TakeField(fields.login, settings.admin_login) || IsReservedLogin(settings.admin_login);
    UINT warning = 0;
    if (verdict.name_marked || verdict.surname_marked || verdict.login_marked) {
        warning = kInvalidFields;
    } else if (NobodyAnswers(settings.run_mode) && DigestIsSet(settings)) {
        // The unattended settings' password is already in the digest.
        verdict.accepted = true;
    } else if (wcslen(fields.password) < kShortestPassword) {
        warning = kPasswordTooSimple;
    } else if (CompareStringW(kEnglishLocale, 0, fields.password, -1, fields.confirmation, -1) != CSTR_EQUAL) {
        warning = kPasswordsMismatch;
    } else {
        verdict.accepted = Digest160Text(fields.password, settings.admin_password_digest, kDigest160Size);
    }
    verdict.message = NobodyAnswers(settings.run_mode) ? 0 : warning;
    return verdict;
}
