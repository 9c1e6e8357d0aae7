#include "system/http/http_port_use.h"

#include <winsock2.h>
#include <http.h>

#include <stdlib.h>

#include "base/bounded_text.h"
#include "system/http/ssl_binding.h"
#include "system/http/ssl_binding_seams.h"

namespace {

const size_t kReservationBufferSize = 4096;

// The reservation of position `index`, in `buffer`; false at the end or on any failure.
bool ReservationAt(DWORD index, BYTE* buffer, ULONG capacity)
{
    HTTP_SERVICE_CONFIG_URLACL_QUERY query = {};
    query.QueryDesc = HttpServiceConfigQueryNext;
    query.dwToken = index;
    ULONG size = 0;
    return g_httpQueryServiceConfigurationCall(nullptr, HttpServiceConfigUrlAclInfo, &query, sizeof(query), buffer,
                                               capacity, &size, nullptr) == NO_ERROR;
}

void FindOtherBinding(const wchar_t* addressText, const BYTE* ownHash, wchar_t (&binding)[32])
{
    const wchar_t* const endpoints[] = {addressText, L"0.0.0.0"};
    for (const wchar_t* endpoint : endpoints) {
        if (endpoint != addressText && wcscmp(endpoint, addressText) == 0)
            break;
        SavedSslBinding saved;
        if (SaveSslBinding(endpoint, saved) && !saved.Empty() && !saved.BindsCertificate(ownHash, 20)) {
            FormatText(binding, 32, L"%s:%u", endpoint, static_cast<unsigned>(kSslBindingPort));
            return;
        }
    }
}

} // namespace

bool ReservationTakesPort(const wchar_t* urlPrefix, const wchar_t* addressText, USHORT port)
{
    const wchar_t* host = wcsstr(urlPrefix, L"://");
    if (!host)
        return false;
    host += 3;
    const wchar_t* colon = wcschr(host, L':');
    const wchar_t* slash = wcschr(host, L'/');
    if (!colon || (slash && slash < colon))
        return false;  // no port: 80 or 443 by the scheme, never meant here
    if (static_cast<USHORT>(_wtoi(colon + 1)) != port)
        return false;
    const size_t hostLength = static_cast<size_t>(colon - host);
    const bool anyAddress = wcscmp(addressText, L"0.0.0.0") == 0;
    // A name: HTTP.sys listens for it on every address it listens on.
    const bool digitsAndDots = wcsspn(host, L"0123456789.") == hostLength;
    if (anyAddress || !digitsAndDots)
        return true;
    return wcslen(addressText) == hostLength && wcsncmp(host, addressText, hostLength) == 0;
}

void FindHttpPortUse(const wchar_t* addressText, const BYTE* ownHash, wchar_t (&binding)[32],
                     wchar_t (&reservation)[MAX_PATH])
{
    binding[0] = 0;
    reservation[0] = 0;
    FindOtherBinding(addressText, ownHash, binding);
    HTTPAPI_VERSION version = HTTPAPI_VERSION_1;
    if (g_httpInitializeCall(version, HTTP_INITIALIZE_CONFIG, nullptr) != NO_ERROR)
        return;
    BYTE* buffer = static_cast<BYTE*>(calloc(1, kReservationBufferSize));
    // A bound on the walk: the list is the system's, not ours to trust to end.
    for (DWORD index = 0; buffer && index < 4096 && ReservationAt(index, buffer, kReservationBufferSize); ++index) {
        const auto* set = reinterpret_cast<const HTTP_SERVICE_CONFIG_URLACL_SET*>(buffer);
        if (set->KeyDesc.pUrlPrefix && ReservationTakesPort(set->KeyDesc.pUrlPrefix, addressText, kSslBindingPort)) {
            CopyText(reservation, set->KeyDesc.pUrlPrefix);
            break;
        }
    }
    free(buffer);
    HttpTerminate(HTTP_INITIALIZE_CONFIG, nullptr);
}
