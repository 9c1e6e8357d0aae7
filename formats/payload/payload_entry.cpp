#include "formats/payload/payload_entry.h"

#include "base/relative_path_rules.h"

#include <wchar.h>

bool NormalizeEntryName(wchar_t (&name)[260])
{
    size_t length = wcsnlen(name, 260);
    if (length == 260)
        return false;
    for (size_t i = 0; i < length; ++i) {
        if (name[i] == L'/')
            name[i] = L'\\';
    }
    return IsRelativePathKeptAsWritten(name);
}
