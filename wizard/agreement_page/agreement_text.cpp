#include "wizard/agreement_page/agreement_text.h"

#include <string.h>

#include "base/message_ids.h"
#include "formats/language/language.h"

namespace {
// Shorter resources are taken for damaged rather than shown as an agreement.
const DWORD kMinimumAgreementBytes = 51;
}

UINT AgreementResourceId(LCID systemLocale)
{
    return systemLocale == kRussianLocale ? kRussianAgreement : kEnglishAgreement;
}

bool LoadAgreementText(HMODULE module, UINT resourceId, UniqueLocalMemory& text)
{
    text.Reset();
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(resourceId), LANGUAGE_RESOURCE_TYPE);
    if (!found)
        return false;
    DWORD size = SizeofResource(module, found);
    HGLOBAL loaded = LoadResource(module, found);
    const BYTE* bytes = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    if (!bytes || size < kMinimumAgreementBytes) {
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    // Both bytes of the mark are compared: a text may well begin with U+00FF (FF 00).
    DWORD skip = (bytes[0] == 0xFF && bytes[1] == 0xFE) ? 2 : 0;
    size_t characters = (size - skip) / sizeof(wchar_t);
    text.Reset(LocalAlloc(LMEM_FIXED, (characters + 1) * sizeof(wchar_t)));
    if (!text)
        return false;
    auto* copy = static_cast<wchar_t*>(text.Get());
    memcpy(copy, bytes + skip, characters * sizeof(wchar_t));
    copy[characters] = L'\0';
    return true;
}
