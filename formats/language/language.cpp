#include "formats/language/language.h"

#include "base/critical_section_lock.h"
#include "formats/language/dialog_translation.h"
#include "formats/language/language_reader.h"
#include "formats/language/text_escapes.h"

#include <limits.h>

CLanguage g_language;

namespace {

struct LanguageRow
{
    LCID locale;
    DWORD resource_id;
};

const LanguageRow kLanguages[] = {
    {kRussianLocale, 13},
    {0, 0},
};

} // namespace

CLanguage::CLanguage() : locale_(kEnglishLocale)
{
    InitializeCriticalSection(&lock_);
}

CLanguage::~CLanguage()
{
    tables_.FreeAll();
    DeleteCriticalSection(&lock_);
}

bool CLanguage::SelectLanguage(LCID locale)
{
    for (const LanguageRow* row = kLanguages; row->locale != 0; ++row) {
        if (row->locale == locale) {
            {
                CriticalSectionLock lock(lock_);
                locale_ = locale;
            }
            return LoadLanguage(row->resource_id);
        }
    }
    return false;
}

bool CLanguage::LoadLanguage(DWORD resourceId)
{
    CriticalSectionLock lock(lock_);
    if (locale_ == kEnglishLocale)
        return true;
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(resourceId), LANGUAGE_RESOURCE_TYPE);
    if (!found)
        return false;
    HGLOBAL loaded = LoadResource(module, found);
    const BYTE* data = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    if (!data)
        return false;
    return ReadLanguageResource(data, SizeofResource(module, found), tables_);
}

bool CLanguage::LoadLanguageData(const BYTE* data, size_t size)
{
    CriticalSectionLock lock(lock_);
    return ReadLanguageResource(data, size, tables_);
}

bool CLanguage::GetString(UINT id, wchar_t* buffer, size_t capacity) const
{
    if (!buffer || capacity == 0) {
        // LoadStringW reads a capacity of 0 as a request for a pointer into the resource
        // and would write that pointer into the caller's buffer.
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return false;
    }
    CriticalSectionLock lock(lock_);
    if (const LangString* record = tables_.FindString(id)) {
        ExpandMessageText(record->text, buffer, capacity);
        return true;
    }
    buffer[0] = 0;
    int limit = capacity < INT_MAX ? static_cast<int>(capacity) : INT_MAX;
    LoadStringW(GetModuleHandleW(nullptr), id, buffer, limit);
    return false;
}

bool CLanguage::TranslateDialog(HWND dialog, UINT templateId) const
{
    if (!dialog)
        return false;
    CriticalSectionLock lock(lock_);
    if (locale_ == kEnglishLocale || !GetWindow(dialog, GW_CHILD))
        return false;
    const LangDialog* record = tables_.FindDialog(templateId);
    if (!record)
        return false;
    ApplyDialogRecord(dialog, *record);
    return true;
}

LCID CLanguage::CurrentLocale() const
{
    CriticalSectionLock lock(lock_);
    return locale_;
}
