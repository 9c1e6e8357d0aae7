// The settings page's Next check: the page's part of it, around CheckSettingsPage.
#include "wizard/settings_page/wiz_set_conf.h"

#include "base/bounded_text.h"
#include "base/install_settings.h"
#include "base/message_ids.h"
#include "formats/config/server_config.h"
#include "formats/language/message_box.h"
#include "resources/wizard_ids.h"
#include "wizard/settings_page/settings_check.h"

bool CWizSetConf::NextAccepted()
{
    // Typing stops at the field's end; a longer name put in otherwise is refused, never
    // cut into the name of another service.
    const int kServiceNameMax = sizeof(SettingsPageFields().service_name) / sizeof(wchar_t) - 1;
    if (GetWindowTextLengthW(GetDlgItem(Window(), IDC_SERVICE_NAME)) > kServiceNameMax) {
        ShowMessage(Window(), MB_OK | MB_ICONWARNING, kServiceNameTooLong, kServiceNameMax);
        return false;
    }
    SettingsPageFields fields = {};
    GetDlgItemTextW(Window(), IDC_INSTALL_DIR, fields.folder, MAX_PATH);
    GetDlgItemTextW(Window(), IDC_SERVICE_NAME, fields.service_name, 64);
    fields.offered = &addresses_;
    fields.selection = SendMessageW(address_box_.Window(), CB_GETCURSEL, 0, 0);
    fields.certificate = certificate_.Data();
    fields.certificate_size = certificate_.Size();
    ReadPassword(fields.password, MAX_PATH);
    if (IsDlgButtonChecked(Window(), IDC_OWN_CERT) == BST_CHECKED)
        GetDlgItemTextW(Window(), IDC_CERT_PATH, fields.certificate_file, MAX_PATH);
    CopyText(fields.settled_folder, settled_folder_);

    // The store holds the chosen folder's configuration and nothing else: an installed
    // folder chosen on an earlier pass must not lend a new one its keys.
    g_serverConfig.Clear();
    LocalSettingsMachine machine(Changes());
    SettingsAnswers answers;
    SettingsVerdict verdict = CheckSettingsPage(fields, g_settings, machine, answers);
    SetDlgItemTextW(Window(), IDC_INSTALL_DIR, fields.folder);
    SetDlgItemTextW(Window(), IDC_SERVICE_NAME, fields.service_name);
    while (verdict.next == SettingsNext::kAsk && ShowCheckMessage(Window(), verdict.message) == IDYES) {
        answers.Accept(verdict);
        verdict = CheckSettingsPage(fields, g_settings, machine, answers);
    }
    CopyText(settled_folder_, fields.settled_folder);
    SecureZeroMemory(fields.password, sizeof(fields.password));
    if (verdict.next == SettingsNext::kStay && verdict.message.style != 0) {
        ShowCheckMessage(Window(), verdict.message);
    } else if (verdict.next == SettingsNext::kStay && g_settings.run_mode == RunMode::kQuiet &&
               (verdict.message.text_id || verdict.message.system_error)) {
        // Kept off the screen in unattended runs, the reason still belongs in a quiet run's
        // log, where the screen sink takes it without a box.
        CheckMessage logged = verdict.message;
        logged.style = MB_OK | MB_ICONERROR;
        ShowCheckMessage(Window(), logged);
    }
    // Where it leads is the page flow's to say.
    return verdict.next != SettingsNext::kStay && verdict.next != SettingsNext::kAsk;
}
