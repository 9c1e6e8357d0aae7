#pragma once
// Resource and control ids of the wizard: dialog templates, bitmaps, icon, controls.
// Shared by resources/wizard.rc and the wizard's code.

// Dialog templates, one per page, in the order the wizard shows them.
#define IDD_WIZ_WELCOME   107
#define IDD_WIZ_LICENSE   4
#define IDD_WIZ_SETCONF   7
#define IDD_WIZ_SETHOST   106
#define IDD_WIZ_USERS     8
#define IDD_WIZ_INSTALL   3

// Bitmaps and icon.
#define IDB_STEP_STATES   1   // three 18x20 32-bit images: started, done, failed
#define IDB_BANNER        2   // 560x60 banner across the top of the wizard
#define IDI_SETUP         76

// Welcome page.
#define IDC_WELCOME_TITLE        298
#define IDC_WELCOME_DESCRIPTION  306
#define IDC_ONLINE_ASSISTANT     307
#define IDC_LEGAL_NOTICE         273
#define IDC_MAKER_LINK           265

// Agreement page.
#define IDC_AGREEMENT_TEXT       276
#define IDC_AGREEMENT_ACCEPT     274

// Settings page.
#define IDC_INSTALL_DIR          269
#define IDC_BROWSE_DIR           256
#define IDC_SERVER_IP            272
#define IDC_SERVICE_NAME         289
#define IDC_CERT_COMPANY         257
#define IDC_CERT_DOMAIN          258
#define IDC_OWN_CERT             290
#define IDC_CERT_PATH            260
#define IDC_BROWSE_CERT          259
#define IDC_CERT_PASSWORD        263

// Domain name page.
#define IDC_DOMAIN_UNRESOLVED    293
#define IDC_DOMAIN_ADVICE        294
#define IDC_ADD_HOSTS_ENTRY      291
#define IDC_SKIP_HOSTS_ENTRY     292

// Administrator page.
#define IDC_ADMIN_LOGIN          284
#define IDC_ADMIN_NAME           285
#define IDC_ADMIN_PASSWORD       286
#define IDC_ADMIN_CONFIRM        287
#define IDC_ADMIN_SURNAME        288

// Progress page.
#define IDC_PROGRESS_TITLE       267
#define IDC_PROGRESS_STATUS      268
#define IDC_PROGRESS_STEPS       270
#define IDC_PROGRESS_BAR         271

// Wizard frame texts (string table).
#define IDS_WIZARD_TITLE         38
