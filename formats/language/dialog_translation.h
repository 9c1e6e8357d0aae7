#pragma once
#include <windows.h>
#include "formats/language/language_records.h"

// Puts a dialog record's texts into `dialog`: its title when the record has one, then
// each control's text into the child window at the control's ordinal (1 = first child),
// walking the children once in their order. The walk ends at a control whose ordinal
// lies behind it or when the children run out.
void ApplyDialogRecord(HWND dialog, const LangDialog& record);
