#include "base/same_folder.h"

namespace {

size_t LengthWithoutTrailingSeparator(const wchar_t* path)
{
    size_t length = static_cast<size_t>(lstrlenW(path));
    return length > 0 && path[length - 1] == L'\\' ? length - 1 : length;
}

} // namespace

bool SameFolder(const wchar_t* a, const wchar_t* b)
{
    size_t length = LengthWithoutTrailingSeparator(a);
    if (length != LengthWithoutTrailingSeparator(b))
        return false;
    return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, a, static_cast<int>(length), b,
                          static_cast<int>(length)) == CSTR_EQUAL;
}

bool SameName(const wchar_t* a, const wchar_t* b)
{
    return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, a, -1, b, -1) == CSTR_EQUAL;
}
