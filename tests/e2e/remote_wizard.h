#pragma once
#include <windows.h>
#include <string>

// Driving the wizard of a running setup.exe from outside, as a person would: pressing its
// buttons, typing into the current page and waiting for the page that follows. Messages
// that carry text are marshalled between processes by the system.

// Reading the sheet: CurrentPage, CurrentPageId and WizardButtonEnabled of wizard_driver.h.

// Presses a wizard button (PSBTN_*) and waits for the page with dialog id `expected`.
bool PressAndWaitFor(HWND sheet, int button, int expected);

// Replaces the text of a control of the current page, as typing would (the page is told).
bool TypeInto(HWND sheet, int controlId, const std::wstring& text);
std::wstring RemoteText(HWND sheet, int controlId);

// From the welcome page through the agreement, accepted, to the settings page.
bool PassWelcomeAndAgreement(HWND sheet);

// Waits until the installation ended and Finish can be pressed.
bool WaitForFinish(HWND sheet, DWORD timeoutMs);
