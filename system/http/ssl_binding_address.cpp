#include "system/http/ssl_binding.h"

#include <wchar.h>
#include <wctype.h>

namespace {

// One decimal number as _wtoi reads it, without its undefined overflow: the digits wrap
// in 32 bits, which only matters for texts that are no address anyway.
ULONG ReadNumber(const wchar_t* text)
{
    while (iswspace(*text))
        ++text;
    bool negative = false;
    if (*text == L'+' || *text == L'-')
        negative = *text++ == L'-';
    ULONG value = 0;
    for (; *text >= L'0' && *text <= L'9'; ++text)
        value = value * 10 + static_cast<ULONG>(*text - L'0');
    return negative ? 0u - value : value;
}

}  // namespace

sockaddr_in SslBindingEndpoint(const wchar_t* addressText)
{
    sockaddr_in endpoint = {};
    endpoint.sin_family = AF_INET;
    endpoint.sin_port = htons(kSslBindingPort);

    const wchar_t* parts[4] = {addressText, nullptr, nullptr, nullptr};
    for (int i = 1; i < 4; ++i) {
        const wchar_t* dot = wcschr(parts[i - 1], L'.');
        if (dot == nullptr) {
            endpoint.sin_addr.s_addr = 0xFFFFFFFF;
            return endpoint;
        }
        parts[i] = dot + 1;
    }
    // a + b·2^8 + c·2^16 + d·2^24 puts a in the first byte in memory: network order.
    endpoint.sin_addr.s_addr = ReadNumber(parts[0]) + (ReadNumber(parts[1]) << 8)
                             + (ReadNumber(parts[2]) << 16) + (ReadNumber(parts[3]) << 24);
    return endpoint;
}
