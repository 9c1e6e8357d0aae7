#pragma once
#include <winsock2.h>
#include <windows.h>
#include <stddef.h>

#include "base/install_settings.h"
#include "wizard/settings_page/check_message.h"
#include "wizard/settings_page/settings_machine.h"

// The settings page's Next check, without the page's window: the fields as the page's
// controls hold them and the machine's answers in; where to go, the settings written and
// the box to show out.

// What the page's controls and the page itself hold.
struct SettingsPageFields
{
    wchar_t folder[MAX_PATH];       // as typed; left trimmed, for the box
    wchar_t service_name[64];       // as typed; left trimmed, for the box
    const AddressList* offered;     // the address box's entries
    LRESULT selection;              // the address box's selection (CB_ERR: none)
    const BYTE* certificate;        // the PFX image shown
    DWORD certificate_size;
    wchar_t password[MAX_PATH];     // empty unless an own certificate is chosen
    wchar_t certificate_file[MAX_PATH];  // the own certificate's file; empty for the built-in one
    // The folder that the existing-folder question was settled for (asked or created);
    // the check updates it.
    wchar_t settled_folder[MAX_PATH];
};

enum class SettingsNext
{
    kStay,
    kAsk,  // show the question: Yes runs the check again with the answer, No stays
    kDomainPage,
    kAdministratorPage,
    kProgressPage,
};

struct SettingsVerdict
{
    SettingsNext next;
    CheckMessage message;  // with kStay: why (style 0 when nobody answers); with kAsk: the question
    size_t port;           // with the port question: the offered address asked about
};

// The questions answered Yes so far in one press of Next.
struct SettingsAnswers
{
    bool newer_version = false;
    bool existing_folder = false;
    bool other_address = false;
    unsigned long long busy_ports = 0;  // bit i: offered address i

    void Accept(const SettingsVerdict& question);
};

// Checks the fields in the order the page always has, asking `machine`, and writes what
// it settles into `settings`: service_name, install_dir, upgrade, folder_confirmed,
// folder_created, cert_thumbprint, server_address and domain_unresolved, each as far as
// the check got. A run that nobody answers (settings.run_mode) keeps it from asking and
// showing, but for the newer server's question and a certificate that cannot be imported.
// The page it passes to is the page flow's.
SettingsVerdict CheckSettingsPage(SettingsPageFields& fields, InstallSettings& settings,
                                  SettingsMachine& machine, const SettingsAnswers& answers);
