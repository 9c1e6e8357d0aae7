#include "base/last_error.h"

DWORD LastErrorOr(DWORD fallback)
{
    DWORD error = GetLastError();
    return error != 0 ? error : fallback;
}

DWORD SetResult(DWORD code)
{
    SetLastError(code);
    return code;
}
