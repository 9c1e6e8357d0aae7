#include "base/setup_tools.h"

#include <wchar.h>

#include "base/bounded_text.h"

namespace {

const DWORD kSystemLookup = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
const DWORD kNeutralLanguage = MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT);

// FormatMessageW takes at most 64 KiB of buffer when it does not allocate.
const size_t kMaxLookupCapacity = 0x7FFF;

} // namespace

int CSetupTools::FormatSystemError(DWORD code, wchar_t* buffer, size_t capacity) const
{
    if (!buffer || capacity == 0)
        return 0;
    buffer[0] = 0;
    DWORD lookupCapacity = static_cast<DWORD>(capacity < kMaxLookupCapacity ? capacity : kMaxLookupCapacity);
    DWORD written = FormatMessageW(kSystemLookup, nullptr, code, kNeutralLanguage, buffer,
                                   lookupCapacity, nullptr);
    if (written > 0 && written < lookupCapacity) {
        buffer[written] = 0;
        return static_cast<int>(written);
    }
    // No text, or one that does not fit: the code itself still tells what happened.
    return static_cast<int>(FormatText(buffer, capacity, L"System error code [%d]", static_cast<int>(code)));
}

int CSetupTools::FormatSystemErrorLine(DWORD code, wchar_t* buffer, size_t capacity, bool withoutFullStop) const
{
    int end = FormatSystemError(code, buffer, capacity);
    while (end > 0 && (wcschr(L"\r\n ", buffer[end - 1]) || (withoutFullStop && buffer[end - 1] == L'.')))
        buffer[--end] = 0;
    return end;
}
