#include "formats/language/dialog_translation.h"

void ApplyDialogRecord(HWND dialog, const LangDialog& record)
{
    if (record.title[0])
        SetWindowTextW(dialog, record.title);
    HWND child = GetWindow(dialog, GW_CHILD);
    DWORD position = 1;
    for (DWORD i = 0; i < record.control_count && child; ++i) {
        const LangControl& control = record.controls[i];
        if (control.ordinal < position)
            return;
        while (child && position < control.ordinal) {
            child = GetWindow(child, GW_HWNDNEXT);
            ++position;
        }
        if (child)
            SetWindowTextW(child, control.text);
    }
}
