#include "wizard/settings_page/wiz_set_conf.h"

#include <commdlg.h>
#include <shlobj.h>

#include "base/bounded_text.h"
#include "base/install_settings.h"
#include "base/message_ids.h"
#include "formats/language/language.h"
#include "resources/wizard_ids.h"
#include "wizard/settings_page/certificate_display.h"
#include "wizard/wizard_colours.h"

namespace {

const size_t kCompanyLabelCapacity = 520;
const UINT kBrowseFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN | BIF_STATUSTEXT |
                          BIF_NEWDIALOGSTYLE | 0x8000 /* BIF_SHAREABLE */;

// Opens the folder dialog on the folder typed so far and shows where the user points.
int CALLBACK BrowseCallback(HWND dialog, UINT message, LPARAM parameter, LPARAM typedFolder)
{
    if (message == BFFM_INITIALIZED) {
        SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, typedFolder);
    } else if (message == BFFM_SELCHANGED) {
        wchar_t path[MAX_PATH] = {};
        if (SHGetPathFromIDListW(reinterpret_cast<LPCITEMIDLIST>(parameter), path))
            SendMessageW(dialog, BFFM_SETSTATUSTEXTW, 0, reinterpret_cast<LPARAM>(path));
    }
    return 0;
}

} // namespace

CWizSetConf::CWizSetConf()
    : CWizardPage(IDD_WIZ_SETCONF),
      folder_(kFolderHint, kHintColour),
      addresses_(),
      service_name_(kServiceNameHint, kHintColour)
{
}

BOOL CWizSetConf::OnInitDialog()
{
    folder_.Attach(GetDlgItem(Window(), IDC_INSTALL_DIR));
    address_box_.SubclassWindow(GetDlgItem(Window(), IDC_SERVER_IP));
    service_name_.Attach(GetDlgItem(Window(), IDC_SERVICE_NAME));
    certificate_path_.SubclassWindow(GetDlgItem(Window(), IDC_CERT_PATH));
    SetDlgItemTextW(Window(), IDC_INSTALL_DIR, g_settings.install_dir);
    SetDlgItemTextW(Window(), IDC_SERVICE_NAME, g_settings.service_name);
    SendDlgItemMessageW(Window(), IDC_SERVICE_NAME, EM_LIMITTEXT, ARRAYSIZE(g_settings.service_name) - 1, 0);
    FillAddresses();
    CheckDlgButton(Window(), IDC_OWN_CERT, BST_UNCHECKED);
    certificate_.Assign(g_settings.default_certificate, g_settings.default_certificate_size);
    g_language.TranslateDialog(Window(), IDD_WIZ_SETCONF);
    return TRUE;
}

void CWizSetConf::FillAddresses()
{
    HWND box = address_box_.Window();
    SendMessageW(box, CB_RESETCONTENT, 0, 0);
    ListHostAddresses(addresses_);
    wchar_t text[64] = {};
    g_language.GetString(kAnyAddress, text, 64);
    SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    size_t selection = 0;
    for (size_t i = 1; i < addresses_.count; ++i) {
        FormatDottedAddress(addresses_.entries[i], text, 64);
        SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        if (selection == 0 && addresses_.entries[i] == selected_address_)
            selection = i;
    }
    SendMessageW(box, CB_SETCURSEL, selection, 0);
}

int CWizSetConf::OnSetActive()
{
    RefreshCertificate();
    if (Flow(FlowEvent::kShown).move != FlowMove::kCheckItself || automatic_check_done_)
        return kDefaultPage;
    automatic_check_done_ = true;
    // A check that failed silently keeps the page for the user: moving on would leave the
    // folder, certificate and address unstored. A quiet run has no user to keep it for.
    return AfterCheckingItself(NextAccepted(), L"velmorasetup.cfg's settings were refused (see the box above)");
}

bool CWizSetConf::OnCommand(WORD id, WORD code, HWND)
{
    if (id == IDC_BROWSE_DIR && code == BN_CLICKED) {
        BrowseForFolder();
    } else if (id == IDC_SERVER_IP && code == CBN_SELCHANGE) {
        LRESULT selection = SendMessageW(address_box_.Window(), CB_GETCURSEL, 0, 0);
        if (selection >= 0 && static_cast<size_t>(selection) < addresses_.count)
            selected_address_ = addresses_.entries[selection];
    } else if (id == IDC_BROWSE_CERT && code == BN_CLICKED) {
        BrowseForCertificate();
    } else if (id == IDC_OWN_CERT && code == BN_CLICKED) {
        SwitchCertificate();
    } else if (id == IDC_CERT_PATH && code == EN_CHANGE) {
        LoadOwnCertificate();
        RefreshCertificate();
    } else if (id == IDC_CERT_PASSWORD && code == EN_CHANGE) {
        RefreshCertificate();
    } else {
        return false;
    }
    return true;
}

void CWizSetConf::BrowseForFolder()
{
    wchar_t typed[MAX_PATH] = {};
    GetDlgItemTextW(Window(), IDC_INSTALL_DIR, typed, MAX_PATH);
    LPITEMIDLIST computer = nullptr;
    SHGetSpecialFolderLocation(Window(), CSIDL_DRIVES, &computer);
    BROWSEINFOW browse = {};
    browse.hwndOwner = Window();
    browse.pidlRoot = computer;
    browse.lpszTitle = L"Select installation folder";
    browse.ulFlags = kBrowseFlags;
    browse.lpfn = BrowseCallback;
    browse.lParam = reinterpret_cast<LPARAM>(typed);
    LPITEMIDLIST chosen = SHBrowseForFolderW(&browse);
    wchar_t path[MAX_PATH] = {};
    if (chosen && SHGetPathFromIDListW(chosen, path))
        SetDlgItemTextW(Window(), IDC_INSTALL_DIR, path);
    CoTaskMemFree(chosen);
    CoTaskMemFree(computer);
}

void CWizSetConf::BrowseForCertificate()
{
    wchar_t path[MAX_PATH] = {};
    OPENFILENAMEW open = {};
    open.lStructSize = sizeof(open);
    open.hwndOwner = GetActiveWindow();
    open.lpstrFilter = L"Certificate (*.pfx)\0*.pfx\0";
    open.lpstrFile = path;
    open.nMaxFile = MAX_PATH;
    open.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST;
    // The path edit's change notification loads and shows the file.
    if (GetOpenFileNameW(&open))
        SetDlgItemTextW(Window(), IDC_CERT_PATH, path);
}

void CWizSetConf::SwitchCertificate()
{
    bool own = IsDlgButtonChecked(Window(), IDC_OWN_CERT) == BST_CHECKED;
    EnableWindow(GetDlgItem(Window(), IDC_CERT_PATH), own);
    EnableWindow(GetDlgItem(Window(), IDC_BROWSE_CERT), own);
    EnableWindow(GetDlgItem(Window(), IDC_CERT_PASSWORD), own);
    if (own)
        LoadOwnCertificate();
    else
        certificate_.Assign(g_settings.default_certificate, g_settings.default_certificate_size);
    RefreshCertificate();
}

bool CWizSetConf::OwnCertificateEnabled() const
{
    return IsWindowEnabled(GetDlgItem(Window(), IDC_CERT_PATH)) != FALSE;
}

void CWizSetConf::ReadPassword(wchar_t* password, size_t capacity) const
{
    password[0] = 0;
    if (OwnCertificateEnabled())
        GetDlgItemTextW(Window(), IDC_CERT_PASSWORD, password, static_cast<int>(capacity));
}

void CWizSetConf::LoadOwnCertificate()
{
    if (!OwnCertificateEnabled())
        return;
    certificate_.Clear();
    wchar_t path[MAX_PATH] = {};
    GetDlgItemTextW(Window(), IDC_CERT_PATH, path, MAX_PATH);
    certificate_.LoadFile(path);
}

void CWizSetConf::RefreshCertificate()
{
    SetDlgItemTextW(Window(), IDC_CERT_COMPANY, L"");
    SetDlgItemTextW(Window(), IDC_CERT_DOMAIN, L"");
    wchar_t password[MAX_PATH] = {};
    ReadPassword(password, MAX_PATH);
    certificate_valid_ = false;
    if (g_settings.saas_mode) {
        // Hosted servers take their certificates elsewhere.
        EnableWindow(GetDlgItem(Window(), IDC_OWN_CERT), FALSE);
    } else {
        if (IsDlgButtonChecked(Window(), IDC_OWN_CERT) != BST_CHECKED)
            certificate_.Assign(g_settings.default_certificate, g_settings.default_certificate_size);
        CertificateInfo info;
        if (!certificate_.IsEmpty() &&
            ReadShownCertificate(certificate_.Data(), certificate_.Size(), password, info)) {
            wchar_t company[kCompanyLabelCapacity] = {};
            FormatCertificateCompany(info, company, kCompanyLabelCapacity);
            SetDlgItemTextW(Window(), IDC_CERT_COMPANY, company);
            SetDlgItemTextW(Window(), IDC_CERT_DOMAIN, info.common_name);
            FILETIME now = {};
            GetSystemTimeAsFileTime(&now);
            certificate_valid_ = CertificateStillValid(info.valid_to, now);
        }
    }
    SetWizardButtons(certificate_valid_ || g_settings.saas_mode ? PSWIZB_BACK | PSWIZB_NEXT
                                                                : PSWIZB_BACK);
}
