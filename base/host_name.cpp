#include "base/host_name.h"

#include <windows.h>

namespace {

const int kLongestLabel = 63;
const int kLongestName = 253;

// Letters of any script too: a name in its international form is resolved as such.
bool IsLabelCharacter(wchar_t c)
{
    return c == L'-' || (c >= L'0' && c <= L'9') || IsCharAlphaW(c);
}

} // namespace

bool IsDnsHostName(const wchar_t* name)
{
    if (!name || !name[0])
        return false;
    int length = 0;
    int label = 0;
    for (const wchar_t* c = name;; ++c, ++length) {
        if (*c == L'.' || *c == 0) {
            if (label == 0 || label > kLongestLabel || c[-1] == L'-')
                return false;
            if (*c == 0)
                return length <= kLongestName;
            label = 0;
        } else if (!IsLabelCharacter(*c) || (label == 0 && *c == L'-')) {
            return false;
        } else {
            ++label;
        }
    }
}
