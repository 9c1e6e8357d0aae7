#include "formats/digest/ready_event_name.h"

#include <windows.h>

#include "base/bounded_text.h"
#include "formats/digest/digest160.h"

namespace {

const size_t kFolderCapacity = 260;

}  // namespace

bool ServerReadyEventName(const wchar_t* folder, wchar_t* name, size_t capacity)
{
    if (folder == nullptr || name == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (capacity < kServerReadyEventNameLength + 1) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return false;
    }

    // "C:\Velmora\" and "C:\Velmora" are the same folder; the server only ever knows the
    // second form, so the setup must not hash the first.
    size_t length = lstrlenW(folder);
    while (length > 0 && folder[length - 1] == L'\\')
        --length;
    wchar_t key[kFolderCapacity];
    CopyTextN(key, kFolderCapacity, folder, length);
    // Only ASCII letters are folded: the locale's upper-casing could differ between the
    // setup's account and the service's.
    for (wchar_t* c = key; *c; ++c) {
        if (*c >= L'a' && *c <= L'z')
            *c = static_cast<wchar_t>(*c - L'a' + L'A');
    }

    BYTE digest[kDigest160Size];
    if (!Digest160Text(key, digest, kDigest160Size))
        return false;
    static const wchar_t kDigits[] = L"0123456789abcdef";
    size_t at = CopyText(name, capacity, L"Global\\");
    for (BYTE byte : digest) {
        name[at++] = kDigits[byte >> 4];
        name[at++] = kDigits[byte & 0x0F];
    }
    name[at] = 0;
    return true;
}
