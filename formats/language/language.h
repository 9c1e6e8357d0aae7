#pragma once
#include <windows.h>
#include "formats/language/language_tables.h"

const LCID kEnglishLocale = 1033;
const LCID kRussianLocale = 1049;
// Resource type of the language resources and of the agreement texts.
#define LANGUAGE_RESOURCE_TYPE L"LNG"

// The localization object: the current locale and the loaded language resource, serving
// message texts by id and the translation of a dialog's texts. English is built in (the
// string table and the dialog templates); a language resource replaces what it holds.
// Every operation takes the one critical section, so any thread may fetch texts.
class CLanguage
{
public:
    CLanguage();
    ~CLanguage();
    CLanguage(const CLanguage&) = delete;
    CLanguage& operator=(const CLanguage&) = delete;

    // Looks the locale up in the language table; on a match makes it current and loads
    // its resource (the result of LoadLanguage). Otherwise changes nothing: false.
    bool SelectLanguage(LCID locale);
    // Loads the "LNG" resource `resourceId` of the program's module. True when it was
    // read, or at once when the current locale is English; false when it is missing or
    // malformed (ERROR_INVALID_DATA), English staying in force for what it did not load.
    bool LoadLanguage(DWORD resourceId);
    // The same for a resource's bytes held in memory.
    bool LoadLanguageData(const BYTE* data, size_t size);

    // Copies message `id` into `buffer` (bounded by `capacity`, always terminated when
    // capacity > 0). True when the text came from the language resource, false when it
    // came from the built-in string table (empty when that lacks it too).
    bool GetString(UINT id, wchar_t* buffer, size_t capacity) const;

    // Sets the translated title and control texts of `dialog`, made from template
    // `templateId`. True when a record was applied.
    bool TranslateDialog(HWND dialog, UINT templateId) const;

    // 1033 until a language is selected.
    LCID CurrentLocale() const;

private:
    mutable CRITICAL_SECTION lock_;
    LCID locale_;
    CLanguageTables tables_;
};

// The one instance.
extern CLanguage g_language;
