#include "wizard/welcome_page/maker_site.h"

#include "base/bounded_text.h"
#include "formats/language/language.h"

const wchar_t kMakerSiteAddress[] = L"http://www.brindleway.com";

size_t FormatAssistantAddress(LCID locale, wchar_t* buffer, size_t capacity)
{
    const wchar_t* path = locale == kRussianLocale ? L"/ru/assistant" : L"/en/assistant";
    return FormatText(buffer, capacity, L"%ls%ls", kMakerSiteAddress, path);
}
